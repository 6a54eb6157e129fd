// Resizing across the flat interface.
#include "corvale.h"
#include "exports/guarded.h"
#include "exports/handles.h"
#include "resample/resample.h"
#include "resample/resample_best.h"
#include "resample/table_resampler.h"

using corvale::guarded;
using corvale::PendingPicture;
using corvale::Picture;
using corvale::pictureOf;

namespace {

auto noPicture() { return corvale::kNoPicture; }

// The picture behind a handle; a null handle reads as an empty picture.
Picture sourceOf(intptr_t handle) {
  const Picture* picture = pictureOf(handle);
  return picture ? *picture : Picture{};
}

// A new picture of width by height, made compatible with the source, in one pass of `mode`.
intptr_t resized(const Picture& source, int32_t width, int32_t height, int32_t mode) {
  PendingPicture result;
  corvale::allocatePicture(*result, width, height, source.memoryDc);
  corvale::resampleInto(*result, source, mode);
  return result.handOver();
}

// The box reduction to the plan's intermediate size, then `mode` to the target. An intermediate
// that cannot be had gives an empty result: a black one would pass for a resized picture.
intptr_t resizedInTwoStages(const Picture& source, const corvale::ReductionPlan& plan, int32_t width,
                            int32_t height, int32_t mode) {
  PendingPicture intermediate;
  corvale::allocatePicture(*intermediate, plan.width, plan.height, source.memoryDc);
  PendingPicture result;
  if (intermediate->empty()) return result.handOver();
  corvale::allocatePicture(*result, width, height, source.memoryDc);
  corvale::resampleInto(*intermediate, source, corvale::kBox);
  corvale::resampleInto(*result, *intermediate, mode);
  return result.handOver();
}

}  // namespace

intptr_t cpic_resize(intptr_t picture, int32_t width, int32_t height, int32_t mode) {
  return guarded(noPicture, [&] { return resized(sourceOf(picture), width, height, mode); });
}

intptr_t cpic_resizebest(intptr_t picture, int32_t width, int32_t height, int32_t mode) {
  return guarded(noPicture, [&] {
    const Picture source = sourceOf(picture);
    const corvale::ReductionPlan plan = corvale::planReduction(source.width, source.height, width, height);
    // Unlike the job threads, this keeps the caller's mode when the box stage alone would reach the
    // target size.
    if (!plan.twoStage || plan.intermediateIsTarget) return resized(source, width, height, mode);
    return resizedInTwoStages(source, plan, width, height, mode);
  });
}

void imgResample(int32_t destWidth, int32_t destHeight, int32_t xOffset, int32_t yOffset, float xStep,
                 float yStep, int32_t srcWidth, int32_t srcHeight, int32_t mode, const uint8_t* srcPixels,
                 uint8_t* destPixels) {
  // Out of working memory, the destination is black rather than half done.
  auto paintBlack = [&] {
    if (destPixels && destWidth > 0 && destHeight > 0)
      corvale::paintBlack({destPixels, destWidth, destHeight});
  };
  guarded(paintBlack, [&] {
    corvale::resampleWithSteps(destWidth, destHeight, xOffset, yOffset, xStep, yStep, srcWidth, srcHeight,
                               mode, srcPixels, destPixels);
  });
}
