// Picture handles as they cross the flat interface: the picture's address as an integer. The
// null handle reads as an empty picture everywhere.
#pragma once

#include <cstdint>
#include <utility>

#include "picture/picture.h"

namespace corvale {

inline Picture* pictureOf(std::intptr_t handle) { return reinterpret_cast<Picture*>(handle); }
inline std::intptr_t handleOf(Picture* picture) { return reinterpret_cast<std::intptr_t>(picture); }
inline gdi::HDC dcOf(std::intptr_t handle) { return reinterpret_cast<gdi::HDC>(handle); }
inline gdi::HBITMAP bitmapOf(std::intptr_t handle) { return reinterpret_cast<gdi::HBITMAP>(handle); }

// What a failed export that makes a picture returns when not even an empty picture could be had.
constexpr std::intptr_t kNoPicture = 0;

// A picture on its way out of an export: released and freed if the export fails before it hands
// the picture over.
class PendingPicture {
 public:
  PendingPicture() : picture_(new Picture) {}
  ~PendingPicture() {
    if (!picture_) return;
    releasePicture(*picture_);
    delete picture_;
  }
  PendingPicture(const PendingPicture&) = delete;
  PendingPicture& operator=(const PendingPicture&) = delete;

  Picture& operator*() const { return *picture_; }
  Picture* operator->() const { return picture_; }

  // The caller takes the picture as a handle.
  std::intptr_t handOver() { return handleOf(std::exchange(picture_, nullptr)); }

 private:
  Picture* picture_;
};

}  // namespace corvale
