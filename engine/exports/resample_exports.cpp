// Resizing across the flat interface. A failure to get working memory leaves the result black
// rather than letting an exception cross the C boundary.
#include <new>

#include "corvale.h"
#include "exports/handles.h"
#include "resample/resample.h"
#include "resample/table_resampler.h"

using corvale::Picture;
using corvale::pictureOf;

namespace {

// The picture behind a handle; a null handle reads as an empty picture.
Picture sourceOf(intptr_t handle) {
  const Picture* picture = pictureOf(handle);
  return picture ? *picture : Picture{};
}

// A new picture of width by height, made compatible with the source, filled by `fill`.
template <typename Fill>
intptr_t newPictureFrom(const Picture& source, int32_t width, int32_t height, Fill fill) {
  auto* result = new (std::nothrow) Picture;
  if (!result) return 0;
  corvale::allocatePicture(*result, width, height, source.memoryDc);
  try {
    fill(*result);
  } catch (const std::bad_alloc&) {
    if (!result->empty()) corvale::paintBlack({result->pixels, result->width, result->height});
  }
  return corvale::handleOf(result);
}

}  // namespace

intptr_t cpic_resize(intptr_t picture, int32_t width, int32_t height, int32_t mode) {
  const Picture source = sourceOf(picture);
  return newPictureFrom(source, width, height,
                        [&](Picture& result) { corvale::resampleInto(result, source, mode); });
}

intptr_t cpic_resizebest(intptr_t picture, int32_t width, int32_t height, int32_t mode) {
  const Picture source = sourceOf(picture);
  const corvale::ReductionPlan plan = corvale::planReduction(source.width, source.height, width, height);
  // Unlike the job threads, this keeps the caller's mode when the box stage alone would reach the
  // target size.
  if (!plan.twoStage || plan.intermediateIsTarget) return cpic_resize(picture, width, height, mode);
  const intptr_t intermediate = cpic_resize(picture, plan.width, plan.height, 0);
  const intptr_t result = cpic_resize(intermediate, width, height, mode);
  cpic_destroy(intermediate);
  return result;
}

void imgResample(int32_t destWidth, int32_t destHeight, int32_t xOffset, int32_t yOffset, float xStep,
                 float yStep, int32_t srcWidth, int32_t srcHeight, int32_t mode, const uint8_t* srcPixels,
                 uint8_t* destPixels) {
  try {
    corvale::resampleWithSteps(destWidth, destHeight, xOffset, yOffset, xStep, yStep, srcWidth, srcHeight,
                               mode, srcPixels, destPixels);
  } catch (const std::bad_alloc&) {
    if (destPixels && destWidth > 0 && destHeight > 0)
      corvale::paintBlack({destPixels, destWidth, destHeight});
  }
}
