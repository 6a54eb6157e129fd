// Turning pictures and bitmaps across the flat interface.
#include "corvale.h"
#include "exports/guarded.h"
#include "exports/handles.h"
#include "rotate/bitmap_turns.h"
#include "rotate/rotate.h"

using corvale::guarded;
using corvale::PendingPicture;
using corvale::Picture;
using corvale::pictureOf;

intptr_t cpic_rotate90(intptr_t handle, int32_t orientationCode) {
  return guarded([] { return corvale::kNoPicture; },
                 [&] {
                   PendingPicture result;
                   if (const Picture* source = pictureOf(handle))
                     corvale::turnInto(*source, *result, orientationCode);
                   return result.handOver();
                 });
}

int32_t cpic_rotate(intptr_t sourceHandle, intptr_t destHandle, double angle, int32_t circle) {
  const Picture* source = pictureOf(sourceHandle);
  if (!source) return 0;
  // Out of working memory, the destination stays as far as it got; the answer is the same.
  return guarded([&] { return source->width; },
                 [&] {
                   if (Picture* dest = pictureOf(destHandle))
                     corvale::rotateFreely(*source, *dest, angle, circle == 1);
                   return source->width;
                 });
}

void imgRotate(const int32_t* destSize, const int32_t* srcSize, intptr_t srcDc, intptr_t srcBitmap,
               intptr_t destDc, intptr_t destBitmap, int32_t orientationCode) {
  // Out of working memory, the destination bitmap stays as it was.
  guarded([] {},
          [&] {
            if (!destSize || !srcSize) return;
            // A size record is four integers; the third is the width, the fourth the height.
            const corvale::BitmapSide source{corvale::dcOf(srcDc), corvale::bitmapOf(srcBitmap), srcSize[2],
                                             srcSize[3]};
            const corvale::BitmapSide dest{corvale::dcOf(destDc), corvale::bitmapOf(destBitmap), destSize[2],
                                           destSize[3]};
            corvale::turnBitmap(source, dest, orientationCode);
          });
}
