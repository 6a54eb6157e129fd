// Drawing into the bitmap of a device context: rectangles and single pixels.
#include "platform/gdi_objects.h"

namespace gdi {

int FillRect(HDC dc, const RECT* rect, HBRUSH brush) {
  Bitmap* bm = bitmapOf(dc);
  if (!bm || !rect || !brush || brush->kind != GdiObject::Kind::Brush) return 0;
  Bgra colour = bgraOf(static_cast<Brush*>(brush)->colour);
  std::int32_t left = rect->left < 0 ? 0 : rect->left;
  std::int32_t top = rect->top < 0 ? 0 : rect->top;
  std::int32_t right = rect->right > bm->width ? bm->width : rect->right;
  std::int32_t bottom = rect->bottom > bm->height ? bm->height : rect->bottom;
  for (std::int32_t y = top; y < bottom; ++y)
    for (std::int32_t x = left; x < right; ++x) writePixel(*bm, x, y, colour);
  return 1;
}

COLORREF SetPixel(HDC dc, int x, int y, COLORREF colour) {
  Bitmap* bm = bitmapOf(dc);
  if (!bm || x < 0 || y < 0 || x >= bm->width || y >= bm->height) return CLR_INVALID;
  writePixel(*bm, x, y, bgraOf(colour));
  Bgra p = readPixel(*bm, x, y);  // an 8-bit bitmap holds the nearest palette colour
  return RGB(p.r, p.g, p.b);
}

COLORREF GetPixel(HDC dc, int x, int y) {
  const Bitmap* bm = bitmapOf(dc);
  if (!bm || x < 0 || y < 0 || x >= bm->width || y >= bm->height) return CLR_INVALID;
  Bgra p = readPixel(*bm, x, y);
  return RGB(p.r, p.g, p.b);
}

}  // namespace gdi
