// A picture's size in pixels, shared by the size arithmetic, the destination folder and the job.
#pragma once

#include <cstdint>

namespace lumivex {

struct PictureSize {
  std::int32_t width = 0;
  std::int32_t height = 0;
  bool operator==(const PictureSize&) const = default;
};

}  // namespace lumivex
