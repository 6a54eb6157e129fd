// Lossless turns and mirrors for the eight Exif orientations. Source pixel (x, y) of a W x H
// picture goes to (W-1-x, y) for code 2, (W-1-x, H-1-y) for 3, (x, H-1-y) for 4, (y, x) for 5,
// (H-1-y, x) for 6, (H-1-y, W-1-x) for 7 and (y, W-1-x) for 8, written here with the
// destination's width and height, which equal H and W (or W and H) when the sizes fit the turn.
#include <cstddef>
#include <cstring>

#include "rotate/rotate.h"

namespace corvale {

namespace {

struct Place {
  std::int32_t x, y;
};

Place placeOf(std::int32_t code, std::int32_t x, std::int32_t y, std::int32_t destWidth,
              std::int32_t destHeight) {
  switch (code) {
    case kMirrorLeftRight:
      return {destWidth - 1 - x, y};
    case kHalfTurn:
      return {destWidth - 1 - x, destHeight - 1 - y};
    case kMirrorTopBottom:
      return {x, destHeight - 1 - y};
    case kTranspose:
      return {y, x};
    case kQuarterClockwise:
      return {destWidth - 1 - y, x};
    case kTransverse:
      return {destWidth - 1 - y, destHeight - 1 - x};
    case kQuarterCounterClockwise:
      return {y, destHeight - 1 - x};
    default:
      return {x, y};
  }
}

// The source columns and rows whose pixels land inside the destination.
struct SourceLimits {
  std::int32_t columns, rows;
};

SourceLimits limitsOf(std::int32_t code, std::int32_t sourceWidth, std::int32_t sourceHeight,
                      std::int32_t destWidth, std::int32_t destHeight) {
  const bool swapped = swapsSides(code);
  const std::int32_t columns = swapped ? destHeight : destWidth;
  const std::int32_t rows = swapped ? destWidth : destHeight;
  return {columns < sourceWidth ? columns : sourceWidth, rows < sourceHeight ? rows : sourceHeight};
}

std::size_t offsetOf(std::int32_t x, std::int32_t y, std::int32_t width) {
  return (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 4;
}

}  // namespace

bool swapsSides(std::int32_t code) {
  return code == kTranspose || code == kQuarterClockwise || code == kTransverse || code == kQuarterCounterClockwise;
}

void copyTurned(const std::uint8_t* source, std::int32_t sourceWidth, std::int32_t sourceHeight,
                std::uint8_t* dest, std::int32_t destWidth, std::int32_t destHeight, std::int32_t code) {
  if (!source || !dest) return;
  const SourceLimits limits = limitsOf(code, sourceWidth, sourceHeight, destWidth, destHeight);
  for (std::int32_t y = 0; y < limits.rows; ++y)
    for (std::int32_t x = 0; x < limits.columns; ++x) {
      const Place to = placeOf(code, x, y, destWidth, destHeight);
      std::memcpy(dest + offsetOf(to.x, to.y, destWidth), source + offsetOf(x, y, sourceWidth), 4);
    }
}

void turnInto(const Picture& source, Picture& result, std::int32_t code) {
  const bool swapped = swapsSides(code);
  allocatePicture(result, swapped ? source.height : source.width, swapped ? source.width : source.height,
                  source.memoryDc);
  if (result.empty() || source.empty()) return;
  copyTurned(source.pixels, source.width, source.height, result.pixels, result.width, result.height, code);
}

}  // namespace corvale
