// Two-stage best-quality resampling. The filters sample one point per destination pixel and never
// widen, so a strong reduction would skip most source pixels and alias; an integer-factor box
// average first takes every source pixel into account, and the filter then works on a width ratio
// between 0.5 and 1.
#include "resample/resample_best.h"

#include <algorithm>

#include "resample/axis_taps.h"
#include "resample/resample.h"

namespace corvale {

namespace {

// The intermediate picture of the job thread, released on every way out.
struct ScratchPicture {
  ~ScratchPicture() { releasePicture(picture); }
  Picture picture;
};

}  // namespace

ReductionPlan planReduction(std::int32_t sourceWidth, std::int32_t sourceHeight, std::int32_t targetWidth,
                            std::int32_t targetHeight) {
  ReductionPlan plan;
  if (sourceWidth <= 0 || sourceHeight <= 0 || targetWidth <= 0 || targetHeight <= 0) return plan;
  // Only the widths decide; the heights follow the same factor.
  const float ratio = static_cast<float>(targetWidth) / static_cast<float>(sourceWidth);
  if (!(ratio < 0.5f)) return plan;
  plan.twoStage = true;
  plan.factor = static_cast<std::int32_t>(1.0f / ratio);
  plan.width = sourceWidth / plan.factor;
  // A picture fewer rows high than the factor keeps one row rather than vanishing.
  plan.height = std::max(1, sourceHeight / plan.factor);
  plan.intermediateIsTarget = plan.width == targetWidth && plan.height == targetHeight;
  return plan;
}

bool resampleBestInto(const Picture& source, Picture& dest, std::int32_t mode) {
  const ReductionPlan plan = planReduction(source.width, source.height, dest.width, dest.height);
  if (!plan.twoStage) {
    resampleInto(dest, source, mode);
    return true;
  }
  if (plan.intermediateIsTarget) {  // the box reduction alone reaches the target
    resampleInto(dest, source, kBox);
    return true;
  }
  ScratchPicture intermediate;
  allocatePicture(intermediate.picture, plan.width, plan.height, source.memoryDc);
  if (intermediate.picture.empty()) return false;
  resampleInto(intermediate.picture, source, kBox);
  resampleInto(dest, intermediate.picture, mode);
  return true;
}

}  // namespace corvale
