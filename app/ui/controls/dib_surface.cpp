// The window's drawing surface: a DIB section in its own device context, shown through a QImage.
#include "ui/controls/dib_surface.h"

#include <algorithm>

namespace lumivex::ui {

DibSurface::~DibSurface() { release(); }

void DibSurface::release() {
  if (dc_) {
    gdi::SelectObject(dc_, previous_);
    gdi::DeleteDC(dc_);
  }
  if (bitmap_) gdi::DeleteObject(bitmap_);
  dc_ = nullptr;
  bitmap_ = nullptr;
  previous_ = nullptr;
  width_ = height_ = 0;
}

void DibSurface::resize(std::int32_t width, std::int32_t height) {
  release();
  width = std::max(width, 1);
  height = std::max(height, 1);
  gdi::BITMAPINFO info{};
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down, as QImage lays out its rows
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  bitmap_ = gdi::CreateDIBSection(nullptr, &info, gdi::DIB_RGB_COLORS, &bits);
  dc_ = gdi::CreateCompatibleDC(nullptr);
  if (!bitmap_ || !dc_) {
    release();
    return;
  }
  previous_ = gdi::SelectObject(dc_, bitmap_);
  width_ = width;
  height_ = height;
}

void DibSurface::clear(std::int32_t color) {
  if (!dc_) return;
  gdi::RECT all{0, 0, width_, height_};
  gdi::HBRUSH brush = gdi::CreateSolidBrush(static_cast<gdi::COLORREF>(color));
  gdi::FillRect(dc_, &all, brush);
  gdi::DeleteObject(brush);
}

QImage DibSurface::image() const { return ImageOfDeviceContext(dc_); }

QImage DibSurface::snapshot() const {
  QImage copy = image().copy();
  for (int y = 0; y < copy.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(copy.scanLine(y));
    for (int x = 0; x < copy.width(); ++x) row[x] |= 0xFF000000u;
  }
  return copy;
}

QImage ImageOfDeviceContext(gdi::HDC hdc) {
  gdi::DIBSECTION section;
  if (!hdc || !gdi::GetDibSection(gdi::GetCurrentBitmap(hdc), &section)) return {};
  if (section.bitCount != 32 || !section.topDown || !section.bits) return {};
  // Blue, green, red and an unused byte per pixel: QImage's RGB32 on a little-endian machine.
  return QImage(section.bits, section.width, section.height, section.stride, QImage::Format_RGB32);
}

}  // namespace lumivex::ui
