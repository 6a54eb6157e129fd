// Creation, loading, queries and destruction of pictures across the flat interface.
#include "corvale.h"
#include "exports/guarded.h"
#include "exports/handles.h"
#include "picture/picture.h"

using corvale::guarded;
using corvale::kNoPicture;
using corvale::PendingPicture;
using corvale::Picture;
using corvale::pictureOf;

namespace {

auto noPicture() { return kNoPicture; }

}  // namespace

intptr_t cpic_create(int32_t width, int32_t height) {
  return guarded(noPicture, [&] {
    PendingPicture picture;
    corvale::allocatePicture(*picture, width, height, nullptr);
    return picture.handOver();
  });
}

void cpic_destroy(intptr_t handle) {
  guarded([] {},
          [&] {
            Picture* picture = pictureOf(handle);
            if (!picture) return;
            corvale::releasePicture(*picture);
            delete picture;
          });
}

intptr_t cpic_load(const char* path) {
  return guarded(noPicture, [&] {
    PendingPicture picture;
    corvale::loadPictureFile(path, *picture, nullptr);
    return picture.handOver();
  });
}

intptr_t cpic_loadInks(const char* path) {
  return guarded(noPicture, [&] {
    PendingPicture picture;
    corvale::loadJpegInks(path, *picture);
    return picture.handOver();
  });
}

void* loadJPG(const char* path, intptr_t referenceDc, int32_t* width, int32_t* height, intptr_t* dc,
              intptr_t* bitmap, intptr_t* pixels) {
  // Every output reads as an empty picture until the load has succeeded.
  Picture loaded;
  auto report = [&] {
    if (width) *width = loaded.width;
    if (height) *height = loaded.height;
    if (dc) *dc = reinterpret_cast<intptr_t>(loaded.memoryDc);
    if (bitmap) *bitmap = reinterpret_cast<intptr_t>(loaded.bitmap);
    if (pixels) *pixels = reinterpret_cast<intptr_t>(loaded.pixels);
    return static_cast<void*>(loaded.pixels);
  };
  return guarded(report, [&] {
    PendingPicture picture;
    corvale::loadPictureFile(path, *picture, corvale::dcOf(referenceDc));
    // The caller takes over the device context and the bitmap; the picture record goes away.
    loaded = std::exchange(*picture, Picture{});
    return report();
  });
}

intptr_t cpic_getHDC(intptr_t handle) {
  return guarded([] { return intptr_t{0}; },
                 [&] {
                   const Picture* picture = pictureOf(handle);
                   return picture ? reinterpret_cast<intptr_t>(picture->memoryDc) : intptr_t{0};
                 });
}

int32_t cpic_getWidth(intptr_t handle) {
  return guarded([] { return int32_t{0}; },
                 [&] {
                   const Picture* picture = pictureOf(handle);
                   return picture ? picture->width : 0;
                 });
}

int32_t cpic_getHeight(intptr_t handle) {
  return guarded([] { return int32_t{0}; },
                 [&] {
                   const Picture* picture = pictureOf(handle);
                   return picture ? picture->height : 0;
                 });
}
