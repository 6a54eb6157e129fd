// Resampling of whole pictures and of raw pixel buffers, with the four filter modes:
// 0 box average, 1 bilinear, 2 cubic spline (6 x 6 taps), 3 Lanczos 8 (17 x 17 taps); any other
// mode gives black. Only blue, green and red are written; the fourth byte is left as it was.
#pragma once

#include <cstdint>

#include "picture/picture.h"
#include "resample/instruction_set.h"

namespace corvale {

// Fills every pixel of `dest`, already allocated at its final size, from the whole of `source` in a
// single pass: source positions step by source size / destination size from 0.
void resampleInto(Picture& dest, const Picture& source, std::int32_t mode,
                  InstructionSet isa = bestInstructionSet());

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

// Best-quality fill of `dest` from `source`: one pass when the width shrinks to half or less, else a
// box reduction by an integer factor followed by `mode`; when the box alone reaches the target
// size, that box pass is the whole work. False, with `dest` left as it was, when the intermediate
// picture cannot be had; working memory that runs out throws std::bad_alloc.
bool resampleBestInto(const Picture& source, Picture& dest, std::int32_t mode);

// `isa` chooses the variant of the hot loops (the results are the same); tests try each.
//
// The raw-buffer variant: destination column i samples source x = i * xStep - xOffset and row j
// samples y = j * yStep - yOffset (positions accumulated in single precision); a position outside
// the source gives black. All tap windows run columns outer, rows inner. A box step far larger than
// the source, whose tables or sums would exceed a fixed budget (far above any picture's own box
// reduction), is refused: the whole destination is black.
void resampleWithSteps(std::int32_t destWidth, std::int32_t destHeight, std::int32_t xOffset,
                       std::int32_t yOffset, float xStep, float yStep, std::int32_t sourceWidth,
                       std::int32_t sourceHeight, std::int32_t mode, const std::uint8_t* source,
                       std::uint8_t* dest, InstructionSet isa = bestInstructionSet());

}  // namespace corvale
