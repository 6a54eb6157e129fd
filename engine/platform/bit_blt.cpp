// BitBlt: an exact copy of a rectangle between two bitmaps, converting the pixel format.
#include <cstring>

#include "platform/gdi_objects.h"

namespace gdi {

namespace {

void copyRow(const Bitmap& s, std::int32_t sx, std::int32_t sy, Bitmap& d, std::int32_t dx, std::int32_t dy,
             std::int32_t n) {
  const std::uint8_t* in = s.row(sy);
  std::uint8_t* out = d.row(dy);
  if (s.bitCount == d.bitCount && s.bitCount != 8) {
    std::size_t bpp = s.bitCount / 8;
    std::memmove(out + dx * bpp, in + sx * bpp, n * bpp);  // same bitmap: rows may overlap
    return;
  }
  if (s.bitCount == 32 && d.bitCount == 24) {
    in += sx * 4, out += dx * 3;
    for (std::int32_t i = 0; i < n; ++i, in += 4, out += 3) out[0] = in[0], out[1] = in[1], out[2] = in[2];
    return;
  }
  if (s.bitCount == 24 && d.bitCount == 32) {
    in += sx * 3, out += dx * 4;
    for (std::int32_t i = 0; i < n; ++i, in += 3, out += 4)
      out[0] = in[0], out[1] = in[1], out[2] = in[2], out[3] = 0;
    return;
  }
  if (s.bitCount == 8 && d.bitCount == 32) {
    in += sx, out += dx * 4;
    for (std::int32_t i = 0; i < n; ++i, out += 4) {
      const RGBQUAD& q = s.palette[in[i]];
      out[0] = q.rgbBlue, out[1] = q.rgbGreen, out[2] = q.rgbRed, out[3] = 0;
    }
    return;
  }
  for (std::int32_t i = 0; i < n; ++i) writePixel(d, dx + i, dy, readPixel(s, sx + i, sy));
}

}  // namespace

bool BitBlt(HDC dest, int x, int y, int cx, int cy, HDC src, int x1, int y1, std::uint32_t rop) {
  Bitmap* d = bitmapOf(dest);
  const Bitmap* s = bitmapOf(src);
  if (!d || !s || rop != SRCCOPY || cx < 0 || cy < 0) return false;
  Span cols = clipSpan(x, x1, cx, d->width, s->width);
  Span rows = clipSpan(y, y1, cy, d->height, s->height);
  if (cols.empty() || rows.empty()) return true;
  auto n = static_cast<std::int32_t>(cols.end - cols.begin);
  auto copy = [&](std::int64_t r) {
    copyRow(*s, static_cast<std::int32_t>(x1 + cols.begin), static_cast<std::int32_t>(y1 + r), *d,
            static_cast<std::int32_t>(x + cols.begin), static_cast<std::int32_t>(y + r), n);
  };
  // Within one bitmap, copy downwards-moving rows from the bottom so no row is read after it was
  // overwritten.
  if (s == d && y > y1) {
    for (std::int64_t r = rows.end - 1; r >= rows.begin; --r) copy(r);
  } else {
    for (std::int64_t r = rows.begin; r < rows.end; ++r) copy(r);
  }
  return true;
}

}  // namespace gdi
