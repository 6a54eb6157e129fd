// GetDIBits and SetDIBits: whole rows between a bitmap and a caller's 24- or 32-bit buffer.
//
// The buffer is described by the caller's header: its width, its bit count and, through the sign
// of its height, whether its rows run top-down. Scan line n of the transfer is image row n for a
// top-down buffer and image row (bitmap height - 1 - n) for a bottom-up one; the buffer's first
// stored row receives scan line `start`.
#include "platform/gdi_objects.h"

namespace gdi {

namespace {

struct BufferLayout {
  std::int32_t width;
  std::int32_t bytesPerPixel;
  std::size_t stride;
  bool topDown;
};

bool layoutOf(const BITMAPINFO* info, BufferLayout& out) {
  if (!info) return false;
  const BITMAPINFOHEADER& h = info->bmiHeader;
  if (h.biWidth <= 0 || h.biPlanes != 1 || h.biCompression != BI_RGB) return false;
  if (h.biBitCount != 32 && h.biBitCount != 24) return false;
  out.width = h.biWidth;
  out.bytesPerPixel = h.biBitCount / 8;
  out.stride = (static_cast<std::size_t>(h.biWidth) * h.biBitCount + 31) / 32 * 4;
  out.topDown = h.biHeight < 0;
  return true;
}

// Lines of the transfer that exist in the bitmap.
std::int64_t linesAvailable(const Bitmap& bm, std::uint32_t start, std::uint32_t lines) {
  if (start >= static_cast<std::uint32_t>(bm.height)) return 0;
  std::int64_t available = std::int64_t{bm.height} - start;
  return lines < available ? lines : available;
}

std::int32_t imageRowOf(const Bitmap& bm, const BufferLayout& layout, std::int64_t scanLine) {
  return static_cast<std::int32_t>(layout.topDown ? scanLine : bm.height - 1 - scanLine);
}

Bitmap* bitmapArg(HBITMAP bitmap) {
  return bitmap && bitmap->kind == GdiObject::Kind::Bitmap ? static_cast<Bitmap*>(bitmap) : nullptr;
}

}  // namespace

int GetDIBits(HDC, HBITMAP bitmap, std::uint32_t start, std::uint32_t lines, void* bits, BITMAPINFO* info,
              std::uint32_t usage) {
  Bitmap* bm = bitmapArg(bitmap);
  if (!bm || !info || usage != DIB_RGB_COLORS) return 0;
  if (!bits) {  // a query: describe the bitmap
    info->bmiHeader.biWidth = bm->width;
    info->bmiHeader.biHeight = bm->topDown ? -bm->height : bm->height;
    info->bmiHeader.biBitCount = static_cast<std::uint16_t>(bm->bitCount);
    info->bmiHeader.biSizeImage = static_cast<std::uint32_t>(bm->stride * bm->height);
    return bm->height;
  }
  BufferLayout layout;
  if (!layoutOf(info, layout)) return 0;
  std::int64_t count = linesAvailable(*bm, start, lines);
  std::int32_t columns = layout.width < bm->width ? layout.width : bm->width;
  auto* out = static_cast<std::uint8_t*>(bits);
  for (std::int64_t n = 0; n < count; ++n) {
    std::int32_t y = imageRowOf(*bm, layout, start + n);
    std::uint8_t* row = out + n * layout.stride;
    for (std::int32_t x = 0; x < columns; ++x) {
      Bgra p = readPixel(*bm, x, y);
      std::uint8_t* q = row + static_cast<std::size_t>(x) * layout.bytesPerPixel;
      q[0] = p.b, q[1] = p.g, q[2] = p.r;
      if (layout.bytesPerPixel == 4) q[3] = p.a;
    }
  }
  return static_cast<int>(count);
}

int SetDIBits(HDC, HBITMAP bitmap, std::uint32_t start, std::uint32_t lines, const void* bits,
              const BITMAPINFO* info, std::uint32_t usage) {
  Bitmap* bm = bitmapArg(bitmap);
  BufferLayout layout;
  if (!bm || !bits || usage != DIB_RGB_COLORS || !layoutOf(info, layout)) return 0;
  std::int64_t count = linesAvailable(*bm, start, lines);
  std::int32_t columns = layout.width < bm->width ? layout.width : bm->width;
  const auto* in = static_cast<const std::uint8_t*>(bits);
  for (std::int64_t n = 0; n < count; ++n) {
    std::int32_t y = imageRowOf(*bm, layout, start + n);
    const std::uint8_t* row = in + n * layout.stride;
    for (std::int32_t x = 0; x < columns; ++x) {
      const std::uint8_t* q = row + static_cast<std::size_t>(x) * layout.bytesPerPixel;
      writePixel(*bm, x, y, {q[0], q[1], q[2], layout.bytesPerPixel == 4 ? q[3] : std::uint8_t{0}});
    }
  }
  return static_cast<int>(count);
}

}  // namespace gdi
