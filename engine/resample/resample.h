// Resampling of whole pictures and of raw pixel buffers, with the four filter modes:
// 0 box average, 1 bilinear, 2 cubic spline (6 x 6 taps), 3 Lanczos 8 (17 x 17 taps); any other
// mode gives black. Only blue, green and red are written; the fourth byte is left as it was.
//
// The single passes take the variant of the hot loops to run (`isa`, table_resampler.h); every
// variant gives the same bytes, the default is the fastest this processor runs, and the tests hold
// each to the direct formulas.
#pragma once

#include <cstdint>

#include "picture/picture.h"
#include "resample/table_resampler.h"

namespace corvale {

// Fills every pixel of `dest`, already allocated at its final size, from the whole of `source` in a
// single pass: source positions step by source size / destination size from 0.
void resampleInto(Picture& dest, const Picture& source, std::int32_t mode,
                  InstructionSet isa = bestInstructionSet());

// The same fill for rows firstRow to firstRow + rowCount - 1 of `dest` alone, with the bytes the
// whole fill gives them: bands of one destination can be filled at the same time.
void resampleRowsInto(Picture& dest, const Picture& source, std::int32_t mode, std::int32_t firstRow,
                      std::int32_t rowCount, InstructionSet isa = bestInstructionSet());

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
