// Sizing and releasing pictures.
#include "picture/picture.h"

namespace corvale {

void releasePicture(Picture& picture) {
  if (picture.bitmap) gdi::DeleteObject(picture.bitmap);
  if (picture.memoryDc) gdi::DeleteDC(picture.memoryDc);
  picture = Picture{.alphaWanted = picture.alphaWanted};
}

namespace {

void sizePicture(Picture& picture, std::int32_t width, std::int32_t height, gdi::HDC referenceDc,
                 bool cleared) {
  releasePicture(picture);
  if (width <= 0 || height <= 0) return;
  gdi::BITMAPINFO info{};
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  gdi::HBITMAP bitmap = cleared ? gdi::CreateDIBSection(referenceDc, &info, gdi::DIB_RGB_COLORS, &bits)
                                : gdi::CreateDIBSectionToFill(referenceDc, &info, gdi::DIB_RGB_COLORS, &bits);
  if (!bitmap) return;
  picture.memoryDc = gdi::CreateCompatibleDC(referenceDc);
  if (!picture.memoryDc) {
    gdi::DeleteObject(bitmap);
    return;
  }
  picture.bitmap = bitmap;
  picture.pixels = static_cast<std::uint8_t*>(bits);
  picture.width = width;
  picture.height = height;
  gdi::SelectObject(picture.memoryDc, bitmap);
  gdi::SetBkMode(picture.memoryDc, gdi::TRANSPARENT);
}

}  // namespace

void allocatePicture(Picture& picture, std::int32_t width, std::int32_t height, gdi::HDC referenceDc) {
  sizePicture(picture, width, height, referenceDc, true);
}

void allocatePictureToFill(Picture& picture, std::int32_t width, std::int32_t height, gdi::HDC referenceDc) {
  sizePicture(picture, width, height, referenceDc, false);
}

}  // namespace corvale
