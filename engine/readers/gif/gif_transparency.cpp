// The first frame's colour indices, read back from its 8-bit bitmap, say which pixels of the
// picture are transparent. Areas of the picture the frame does not cover were painted black by
// the reader, not left as background, so they stay opaque.
#include "readers/gif/gif_transparency.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <span>

#include "picture/kept_alpha.h"

namespace corvale {

namespace {

struct IndexRows {
  gdi::DIBSECTION dib;
  std::int32_t width = 0;  // the part of the frame that lies in the picture
  std::int32_t height = 0;

  // Image row y; the bitmap keeps its rows bottom-up unless it says otherwise.
  std::span<const std::uint8_t> row(std::int32_t y) const {
    const std::int32_t stored = dib.topDown ? y : dib.height - 1 - y;
    return {dib.bits + static_cast<std::size_t>(stored) * static_cast<std::size_t>(dib.stride),
            static_cast<std::size_t>(width)};
  }
};

std::optional<IndexRows> indexRowsOf(const GifFrame& frame, const Picture& picture) {
  IndexRows rows;
  if (!frame.bitmap || !gdi::GetDibSection(frame.bitmap, &rows.dib) || rows.dib.bitCount != 8 ||
      !rows.dib.bits)
    return std::nullopt;
  rows.width = std::min(rows.dib.width, picture.width);
  rows.height = std::min(rows.dib.height, picture.height);
  return rows;
}

bool showsIndex(const IndexRows& rows, std::uint8_t index) {
  for (std::int32_t y = 0; y < rows.height; ++y) {
    auto row = rows.row(y);
    if (std::find(row.begin(), row.end(), index) != row.end()) return true;
  }
  return false;
}

void clearPixelsOfIndex(const IndexRows& rows, std::uint8_t index, Picture& picture) {
  for (std::int32_t y = 0; y < rows.height; ++y) {
    auto row = rows.row(y);
    for (std::int32_t x = 0; x < rows.width; ++x)
      if (row[static_cast<std::size_t>(x)] == index) std::memset(pixelAt(picture, x, y), 0, 4);
  }
}

}  // namespace

void keepGifTransparency(const GifFrame& frame, Picture& picture) {
  if (!picture.alphaWanted || picture.empty() || !frame.control.transparent) return;
  std::optional<IndexRows> rows = indexRowsOf(frame, picture);
  const std::uint8_t index = frame.control.transparentIndex;
  if (!rows || !showsIndex(*rows, index)) return;
  makeOpaque(picture);
  clearPixelsOfIndex(*rows, index, picture);
  picture.alphaKept = true;
}

}  // namespace corvale
