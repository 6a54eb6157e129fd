// Memory device contexts and what is selected into them.
#include <new>

#include "platform/gdi_objects.h"

namespace gdi {

HDC CreateCompatibleDC(HDC) { return new (std::nothrow) DeviceContext; }

bool DeleteDC(HDC dc) {
  if (!dc) return false;
  // The selected bitmap outlives its device context; it only becomes free to select elsewhere.
  if (dc->bitmap) dc->bitmap->selectedInto = nullptr;
  delete dc;
  return true;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
  if (!dc || !object) return nullptr;
  if (object->kind == GdiObject::Kind::Brush) {
    Brush* previous = dc->brush;
    dc->brush = static_cast<Brush*>(object);
    return previous;
  }
  auto* bm = static_cast<Bitmap*>(object);
  if (bm->selectedInto && bm->selectedInto != dc) return nullptr;  // one device context at a time
  Bitmap* previous = dc->bitmap;
  if (previous) previous->selectedInto = nullptr;
  dc->bitmap = bm;
  bm->selectedInto = dc;
  return previous;
}

int SetBkMode(HDC dc, int mode) {
  if (!dc || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  int previous = dc->bkMode;
  dc->bkMode = mode;
  return previous;
}

int SetStretchBltMode(HDC dc, int mode) {
  if (!dc || mode < 1 || mode > HALFTONE) return 0;
  int previous = dc->stretchMode;
  dc->stretchMode = mode;
  return previous;
}

int GetStretchBltMode(HDC dc) { return dc ? dc->stretchMode : 0; }

HBITMAP GetCurrentBitmap(HDC dc) { return bitmapOf(dc); }

}  // namespace gdi
