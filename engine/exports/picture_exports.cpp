// Creation, loading, queries and destruction of pictures across the flat interface.
#include "corvale.h"
#include "exports/handles.h"
#include "picture/picture.h"

using corvale::Picture;
using corvale::pictureOf;
using corvale::handleOf;

intptr_t cpic_create(int32_t width, int32_t height) {
  auto* picture = new Picture;
  corvale::allocatePicture(*picture, width, height, nullptr);
  return handleOf(picture);
}

void cpic_destroy(intptr_t handle) {
  Picture* picture = pictureOf(handle);
  if (!picture) return;
  corvale::releasePicture(*picture);
  delete picture;
}

intptr_t cpic_load(const char* path) {
  auto* picture = new Picture;
  corvale::loadPictureFile(path, *picture, nullptr);
  return handleOf(picture);
}

void* loadJPG(const char* path, intptr_t referenceDc, int32_t* width, int32_t* height, intptr_t* dc,
              intptr_t* bitmap, intptr_t* pixels) {
  Picture picture;
  corvale::loadPictureFile(path, picture, reinterpret_cast<gdi::HDC>(referenceDc));
  // The caller takes over the device context and the bitmap; the picture record goes away.
  if (width) *width = picture.width;
  if (height) *height = picture.height;
  if (dc) *dc = reinterpret_cast<intptr_t>(picture.memoryDc);
  if (bitmap) *bitmap = reinterpret_cast<intptr_t>(picture.bitmap);
  if (pixels) *pixels = reinterpret_cast<intptr_t>(picture.pixels);
  return picture.pixels;
}

intptr_t cpic_getHDC(intptr_t handle) {
  Picture* picture = pictureOf(handle);
  return picture ? reinterpret_cast<intptr_t>(picture->memoryDc) : 0;
}

int32_t cpic_getWidth(intptr_t handle) {
  Picture* picture = pictureOf(handle);
  return picture ? picture->width : 0;
}

int32_t cpic_getHeight(intptr_t handle) {
  Picture* picture = pictureOf(handle);
  return picture ? picture->height : 0;
}
