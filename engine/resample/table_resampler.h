// The 2-D resampling loop driven by per-axis tap tables, and the one place that chooses between
// its AVX2 and baseline variants.
//
// A destination pixel is the sum over its tap window of weight * source channel, in single
// precision, each product rounded to single, added in a fixed order (see TapOrder). For the
// filters the weight of tap (column a, row b) is wx(a) * wy(b) rounded to single; for the box it is
// the one box weight. Because the order and the rounding of every product must stay as defined,
// the sum cannot be split into two 1-D passes; instead the loop works on a whole strip of
// destination columns at once, tap by tap, so that each pixel's additions happen in its own order
// while the arithmetic runs across neighbouring pixels (and vectorises).
#pragma once

#include <cstdint>

#include "resample/axis_taps.h"

namespace corvale {

// Which variant of the loop runs. Both give the same bytes; the loop is compiled for AVX2 and for
// the x86-64 baseline, and a resample picks one when it starts.
enum class InstructionSet { kBaseline, kAvx2 };

// The fastest variant this processor runs.
InstructionSet bestInstructionSet();

struct SourcePixels {
  const std::uint8_t* pixels;
  std::int32_t width;
  std::int32_t height;
};

struct DestPixels {
  std::uint8_t* pixels;
  std::int32_t width;
  std::int32_t height;
};

enum class TapOrder {
  kColumnsOuter,  // for each column tap, every row tap
  kRowsOuter,     // for each row tap, every column tap
};

// Fills every destination pixel (blue, green, red; the fourth byte is not written) from `source`
// with `mode`, a filter mode whose tables `columns` (destination width entries) and `rows`
// (destination height entries) were built for. A pixel whose column or row lies outside the source
// is black. Modes 2 and 3 clamp each sum to 0..255; every sum becomes a byte by truncation.
void resampleWithTables(const SourcePixels& source, const DestPixels& dest, const AxisTaps& columns,
                        const AxisTaps& rows, std::int32_t mode, TapOrder order,
                        InstructionSet isa = bestInstructionSet());

// Sets blue, green and red of every destination pixel to 0.
void paintBlack(const DestPixels& dest);

}  // namespace corvale
