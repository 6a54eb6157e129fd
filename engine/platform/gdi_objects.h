// The records behind the device-context layer's handles, and pixel access shared by its stages.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/gdi.h"

namespace gdi {

struct GdiObject {
  enum class Kind { Bitmap, Brush };
  explicit GdiObject(Kind k) : kind(k) {}
  virtual ~GdiObject() = default;
  Kind kind;
};

struct Bitmap final : GdiObject {
  Bitmap() : GdiObject(Kind::Bitmap) {}
  ~Bitmap() override;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t bitCount = 32;
  bool topDown = true;
  std::size_t stride = 0;
  std::uint8_t* bits = nullptr;
  RGBQUAD palette[256] = {};
  int paletteSize = 0;
  DeviceContext* selectedInto = nullptr;

  std::uint8_t* row(std::int32_t y) const {
    std::size_t stored = topDown ? static_cast<std::size_t>(y) : static_cast<std::size_t>(height - 1 - y);
    return bits + stored * stride;
  }
};

struct Brush final : GdiObject {
  explicit Brush(COLORREF c) : GdiObject(Kind::Brush), colour(c) {}
  COLORREF colour;
};

struct DeviceContext {
  Bitmap* bitmap = nullptr;
  Brush* brush = nullptr;
  int bkMode = OPAQUE;
  int stretchMode = COLORONCOLOR;
};

// One pixel in the engine's byte order.
struct Bgra {
  std::uint8_t b, g, r, a;
};

inline Bitmap* bitmapOf(HDC dc) { return dc ? dc->bitmap : nullptr; }

inline Bgra readPixel(const Bitmap& bm, std::int32_t x, std::int32_t y) {
  const std::uint8_t* p = bm.row(y);
  switch (bm.bitCount) {
    case 32:
      p += static_cast<std::size_t>(x) * 4;
      return {p[0], p[1], p[2], p[3]};
    case 24:
      p += static_cast<std::size_t>(x) * 3;
      return {p[0], p[1], p[2], 0};
    default: {
      const RGBQUAD& q = bm.palette[p[x]];
      return {q.rgbBlue, q.rgbGreen, q.rgbRed, 0};
    }
  }
}

// The palette entry closest to a colour, for drawing into 8-bit bitmaps.
std::uint8_t nearestPaletteIndex(const Bitmap& bm, Bgra c);

inline void writePixel(Bitmap& bm, std::int32_t x, std::int32_t y, Bgra c) {
  std::uint8_t* p = bm.row(y);
  switch (bm.bitCount) {
    case 32:
      p += static_cast<std::size_t>(x) * 4;
      p[0] = c.b, p[1] = c.g, p[2] = c.r, p[3] = c.a;
      break;
    case 24:
      p += static_cast<std::size_t>(x) * 3;
      p[0] = c.b, p[1] = c.g, p[2] = c.r;
      break;
    default:
      p[x] = nearestPaletteIndex(bm, c);
  }
}

inline Bgra bgraOf(COLORREF c) {
  return {static_cast<std::uint8_t>(GetBValue(c)), static_cast<std::uint8_t>(GetGValue(c)),
          static_cast<std::uint8_t>(GetRValue(c)), 0};
}

// Half-open interval [begin, end) clipped by both bitmaps along one axis: destination coordinates
// dest + i and source coordinates src + i stay inside [0, destSize) and [0, srcSize).
struct Span {
  std::int64_t begin, end;
  bool empty() const { return begin >= end; }
};
inline Span clipSpan(std::int64_t dest, std::int64_t src, std::int64_t count, std::int64_t destSize,
                     std::int64_t srcSize) {
  std::int64_t b = 0, e = count;
  if (dest < 0) b = b > -dest ? b : -dest;
  if (src < 0) b = b > -src ? b : -src;
  if (destSize - dest < e) e = destSize - dest;
  if (srcSize - src < e) e = srcSize - src;
  return {b, e};
}

}  // namespace gdi
