// Quarter and half turns between two bitmaps of the device-context layer: the source's rows are
// read in the picture layout, turned in memory and written to the destination bitmap.
#include "rotate/bitmap_turns.h"

#include <cstddef>
#include <limits>
#include <vector>

#include "rotate/rotate.h"

namespace corvale {

namespace {

gdi::BITMAPINFO topDown32(std::int32_t width, std::int32_t height) {
  gdi::BITMAPINFO info{};
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biBitCount = 32;
  return info;
}

// Bytes of a 32-bit buffer of width by height, or 0 when the size is not usable.
std::size_t bufferBytes(std::int32_t width, std::int32_t height) {
  if (width <= 0 || height <= 0) return 0;
  const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  if (pixels > std::numeric_limits<std::size_t>::max() / 4) return 0;
  return pixels * 4;
}

}  // namespace

void turnBitmap(const BitmapSide& source, const BitmapSide& dest, std::int32_t code) {
  const std::size_t sourceBytes = bufferBytes(source.width, source.height);
  const std::size_t destBytes = bufferBytes(dest.width, dest.height);
  if (sourceBytes == 0 || destBytes == 0) return;
  std::vector<std::uint8_t> from(sourceBytes);
  gdi::BITMAPINFO sourceInfo = topDown32(source.width, source.height);
  const int rowsRead = gdi::GetDIBits(source.dc, source.bitmap, 0, static_cast<std::uint32_t>(source.height),
                                      from.data(), &sourceInfo, gdi::DIB_RGB_COLORS);
  if (rowsRead <= 0) return;  // nothing to turn: leave the destination alone
  std::vector<std::uint8_t> to(destBytes);
  copyTurned(from.data(), source.width, source.height, to.data(), dest.width, dest.height, code);
  const gdi::BITMAPINFO destInfo = topDown32(dest.width, dest.height);
  gdi::SetDIBits(dest.dc, dest.bitmap, 0, static_cast<std::uint32_t>(dest.height), to.data(), &destInfo,
                 gdi::DIB_RGB_COLORS);
}

}  // namespace corvale
