// The sums of one destination row of a strip: every tap of each pixel's window, added in the
// window's order, in single precision with each product rounded to single. Results are three runs
// (blue, green, red) of strip.width floats in `sums`.
#pragma once

#include <cstddef>
#include <cstdint>

#include "resample/gathered_rows.h"

namespace corvale {

// A filter window: the weight of tap (a, b) is the strip's column weight a times row weight b.
struct FilterWindow {
  const Strip& strip;
  std::int32_t columnTaps;
  std::int32_t rowTaps;
  const float* const* rowRuns;  // per row tap: the gathered runs of its source row
  const float* rowWeights;      // per row tap
  std::size_t channelStride;    // between the blue, green and red runs of a gathered row
  TapOrder order;
};
void sumFilterWindow(const FilterWindow& window, float* sums, InstructionSet isa);

// A box window: columns outer, rows inner, every tap with the one box weight. It reads the source
// rows directly: a box reduction uses each source pixel once, so gathering first would not pay.
struct BoxWindow {
  const Strip& strip;
  std::int32_t columnTaps;
  std::int32_t rowTaps;
  const std::uint8_t* const* rowLines;  // per row tap: its source row
  float boxWeight;
};
void sumBoxWindow(const BoxWindow& window, float* sums, InstructionSet isa);

}  // namespace corvale
