// Turning pictures and bitmaps across the flat interface. A failure to get working memory leaves
// the destination as it was rather than letting an exception cross the C boundary.
#include <new>

#include "corvale.h"
#include "exports/handles.h"
#include "rotate/bitmap_turns.h"
#include "rotate/rotate.h"

using corvale::Picture;
using corvale::pictureOf;

intptr_t cpic_rotate90(intptr_t handle, int32_t orientationCode) {
  auto* result = new (std::nothrow) Picture;
  if (!result) return 0;
  if (const Picture* source = pictureOf(handle)) corvale::turnInto(*source, *result, orientationCode);
  return corvale::handleOf(result);
}

int32_t cpic_rotate(intptr_t sourceHandle, intptr_t destHandle, double angle, int32_t circle) {
  const Picture* source = pictureOf(sourceHandle);
  Picture* dest = pictureOf(destHandle);
  if (!source) return 0;
  if (dest) {
    try {
      corvale::rotateFreely(*source, *dest, angle, circle == 1);
    } catch (const std::bad_alloc&) {
    }
  }
  return source->width;
}

void imgRotate(const int32_t* destSize, const int32_t* srcSize, intptr_t srcDc, intptr_t srcBitmap,
               intptr_t destDc, intptr_t destBitmap, int32_t orientationCode) {
  if (!destSize || !srcSize) return;
  // A size record is four integers; the third is the width, the fourth the height.
  const corvale::BitmapSide source{corvale::dcOf(srcDc), corvale::bitmapOf(srcBitmap), srcSize[2],
                                   srcSize[3]};
  const corvale::BitmapSide dest{corvale::dcOf(destDc), corvale::bitmapOf(destBitmap), destSize[2],
                                 destSize[3]};
  try {
    corvale::turnBitmap(source, dest, orientationCode);
  } catch (const std::bad_alloc&) {
  }
}
