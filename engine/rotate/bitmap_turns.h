// Quarter and half turns between bitmaps of the device-context layer.
#pragma once

#include <cstdint>

#include "platform/gdi.h"

namespace corvale {

struct BitmapSide {
  gdi::HDC dc;
  gdi::HBITMAP bitmap;
  std::int32_t width;
  std::int32_t height;
};

// Reads all rows of the source bitmap in the picture layout, turns them by `code` (as copyTurned)
// into a buffer of the destination's size and writes that to the destination bitmap. Sizes of 0
// or less, or a source that cannot be read, leave the destination untouched.
void turnBitmap(const BitmapSide& source, const BitmapSide& dest, std::int32_t code);

}  // namespace corvale
