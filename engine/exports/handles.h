// Picture handles as they cross the flat interface: the picture's address as an integer.
#pragma once

#include <cstdint>

#include "picture/picture.h"

namespace corvale {

inline Picture* pictureOf(std::intptr_t handle) { return reinterpret_cast<Picture*>(handle); }
inline std::intptr_t handleOf(Picture* picture) { return reinterpret_cast<std::intptr_t>(picture); }
inline gdi::HDC dcOf(std::intptr_t handle) { return reinterpret_cast<gdi::HDC>(handle); }
inline gdi::HBITMAP bitmapOf(std::intptr_t handle) { return reinterpret_cast<gdi::HBITMAP>(handle); }

}  // namespace corvale
