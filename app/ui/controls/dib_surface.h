// A persistent drawing surface: a 32-bit top-down DIB section selected into its own memory device
// context. The drawing routines paint into it through the device-context layer, text is drawn into
// the same pixels with Qt, and a widget shows it by wrapping the pixels in a QImage.
#pragma once

#include <QImage>
#include <cstdint>

#include "platform/gdi.h"

namespace lumivex::ui {

class DibSurface {
 public:
  DibSurface() = default;
  ~DibSurface();
  DibSurface(const DibSurface&) = delete;
  DibSurface& operator=(const DibSurface&) = delete;

  // A new bitmap of the given size (at least 1 x 1), its pixels zero; earlier drawing is lost.
  void resize(std::int32_t width, std::int32_t height);
  // Fills the whole bitmap with one colour (0x00BBGGRR).
  void clear(std::int32_t color);

  gdi::HDC hdc() const { return dc_; }
  std::int32_t width() const { return width_; }
  std::int32_t height() const { return height_; }

  // The pixels as an image that shares their memory: valid until the next resize.
  QImage image() const;
  // An opaque copy of the pixels, for showing on the screen: the device-context layer leaves the
  // fourth byte of each pixel at zero, which Qt would take for transparency.
  QImage snapshot() const;

 private:
  void release();

  gdi::HDC dc_ = nullptr;
  gdi::HBITMAP bitmap_ = nullptr;
  gdi::HGDIOBJ previous_ = nullptr;
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
};

// The image of the bitmap currently selected into `hdc`, sharing its memory, when it is a 32-bit
// one; a null image otherwise.
QImage ImageOfDeviceContext(gdi::HDC hdc);

}  // namespace lumivex::ui
