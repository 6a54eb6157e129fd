// Bitmaps and brushes: creation, description and release.
#include <cstdlib>
#include <limits>
#include <new>

#include "platform/gdi_objects.h"
#include "platform/memory_advice.h"

namespace gdi {

namespace {

// A DIB section larger than this is refused, so that a hostile image size cannot exhaust memory.
constexpr std::uint64_t kMaxBitmapBytes = std::uint64_t{1} << 31;

bool supportedHeader(const BITMAPINFOHEADER& h) {
  if (h.biSize < 40 || h.biPlanes != 1 || h.biCompression != BI_RGB) return false;
  if (h.biBitCount != 32 && h.biBitCount != 24 && h.biBitCount != 8) return false;
  if (h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == std::numeric_limits<std::int32_t>::min())
    return false;
  return h.biBitCount != 8 || h.biClrUsed <= 256;
}

}  // namespace

Bitmap::~Bitmap() { std::free(bits); }

std::uint8_t nearestPaletteIndex(const Bitmap& bm, Bgra c) {
  int best = 0;
  long bestDistance = std::numeric_limits<long>::max();
  for (int i = 0; i < bm.paletteSize; ++i) {
    const RGBQUAD& q = bm.palette[i];
    long db = long{q.rgbBlue} - c.b, dg = long{q.rgbGreen} - c.g, dr = long{q.rgbRed} - c.r;
    long d = db * db + dg * dg + dr * dr;
    if (d < bestDistance) {
      bestDistance = d;
      best = i;
      if (d == 0) break;
    }
  }
  return static_cast<std::uint8_t>(best);
}

namespace {

HBITMAP createBitmap(const BITMAPINFO* info, std::uint32_t usage, void** bits, void* section, bool cleared) {
  if (bits) *bits = nullptr;
  if (!info || usage != DIB_RGB_COLORS || section || !supportedHeader(info->bmiHeader)) return nullptr;
  const BITMAPINFOHEADER& h = info->bmiHeader;
  std::uint64_t width = static_cast<std::uint64_t>(h.biWidth);
  std::uint64_t height =
      h.biHeight < 0 ? std::uint64_t(-std::int64_t{h.biHeight}) : std::uint64_t(h.biHeight);
  std::uint64_t stride = (width * h.biBitCount + 31) / 32 * 4;
  if (stride * height > kMaxBitmapBytes) return nullptr;
  std::size_t bytes = static_cast<std::size_t>(stride * height);
  void* memory = cleared ? std::calloc(bytes, 1) : std::malloc(bytes);
  if (!memory) return nullptr;
  AdviseHugePages(memory, bytes);

  auto* bm = new (std::nothrow) Bitmap;
  if (!bm) {
    std::free(memory);
    return nullptr;
  }
  bm->width = h.biWidth;
  bm->height = static_cast<std::int32_t>(height);
  bm->bitCount = h.biBitCount;
  bm->topDown = h.biHeight < 0;
  bm->stride = static_cast<std::size_t>(stride);
  bm->bits = static_cast<std::uint8_t*>(memory);
  if (h.biBitCount == 8) {
    bm->paletteSize = h.biClrUsed == 0 ? 256 : static_cast<int>(h.biClrUsed);
    for (int i = 0; i < bm->paletteSize; ++i) bm->palette[i] = info->bmiColors[i];
  }
  if (bits) *bits = memory;
  return bm;
}

}  // namespace

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* info, std::uint32_t usage, void** bits, void* section,
                         std::uint32_t) {
  return createBitmap(info, usage, bits, section, true);
}

HBITMAP CreateDIBSectionToFill(HDC, const BITMAPINFO* info, std::uint32_t usage, void** bits) {
  return createBitmap(info, usage, bits, nullptr, false);
}

HBRUSH CreateSolidBrush(COLORREF colour) { return new Brush(colour); }

bool DeleteObject(HGDIOBJ object) {
  if (!object) return false;
  if (object->kind == GdiObject::Kind::Bitmap) {
    auto* bm = static_cast<Bitmap*>(object);
    // Deleting a selected bitmap detaches it first: the device context must never point at freed
    // pixels.
    if (bm->selectedInto && bm->selectedInto->bitmap == bm) bm->selectedInto->bitmap = nullptr;
  }
  delete object;
  return true;
}

bool GetDibSection(HBITMAP bitmap, DIBSECTION* out) {
  if (!bitmap || !out || bitmap->kind != GdiObject::Kind::Bitmap) return false;
  const auto* bm = static_cast<const Bitmap*>(bitmap);
  out->width = bm->width;
  out->height = bm->height;
  out->bitCount = bm->bitCount;
  out->stride = static_cast<std::int32_t>(bm->stride);
  out->topDown = bm->topDown;
  out->bits = bm->bits;
  return true;
}

}  // namespace gdi
