// Two-stage best-quality resampling: the plan of a strong reduction (a box average by an integer
// factor first, then the filter), and the fill of a destination picture that follows it.
#pragma once

#include <cstdint>

#include "picture/picture.h"

namespace corvale {

// How a reduction to less than half the width is done in two stages: a box average by an integer
// factor to the intermediate size, then the filter to the target.
struct ReductionPlan {
  bool twoStage = false;    // the target is less than half as wide as the source
  std::int32_t factor = 1;  // trunc(source width / target width), at least 2 when two-stage
  std::int32_t width = 0;   // intermediate size: source size div factor
  std::int32_t height = 0;
  bool intermediateIsTarget = false;
};
ReductionPlan planReduction(std::int32_t sourceWidth, std::int32_t sourceHeight, std::int32_t targetWidth,
                            std::int32_t targetHeight);

// Best-quality fill of `dest` from `source`: one pass of `mode` unless the target is less than half
// as wide as the source, else a box reduction by an integer factor followed by `mode`; when the box alone
// reaches the target size, that box pass is the whole work. False, with `dest` left as it was, when the
// intermediate picture cannot be had; working memory that runs out throws std::bad_alloc.
bool resampleBestInto(const Picture& source, Picture& dest, std::int32_t mode);

}  // namespace corvale
