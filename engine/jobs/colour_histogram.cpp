// Colour histograms.
#include "jobs/colour_histogram.h"

#include <cstddef>
#include <limits>
#include <vector>

namespace corvale {

void addColourCounts(std::int32_t width, std::int32_t height, gdi::HDC dc, gdi::HBITMAP bitmap, float* red,
                     float* green, float* blue) {
  if (width <= 0 || height <= 0 || !red || !green || !blue) return;
  const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  if (pixels > std::numeric_limits<std::size_t>::max() / 4) return;
  std::vector<std::uint8_t> buffer(pixels * 4);
  gdi::BITMAPINFO info{};
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biBitCount = 32;
  const int rows = gdi::GetDIBits(dc, bitmap, 0, static_cast<std::uint32_t>(height), buffer.data(), &info,
                                  gdi::DIB_RGB_COLORS);
  const std::size_t counted = rows > 0 ? static_cast<std::size_t>(rows) * static_cast<std::size_t>(width) : 0;
  for (std::size_t i = 0; i < counted; ++i) {
    const std::uint8_t* p = buffer.data() + i * 4;
    blue[p[0]] += 1.0f;
    green[p[1]] += 1.0f;
    red[p[2]] += 1.0f;
  }
}

}  // namespace corvale
