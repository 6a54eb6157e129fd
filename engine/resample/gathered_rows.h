// Source rows gathered for one strip of destination columns: for each column tap, the source
// channels under the strip's columns as floats, laid out [channel][column tap][column] so that
// every tap is a contiguous run across the strip. The filter loops then read plain runs instead of
// looking up source indices.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "resample/axis_taps.h"
#include "resample/table_resampler.h"

namespace corvale {

// Destination pixels computed side by side (two AVX2 registers per channel); strips are whole
// multiples of it.
constexpr std::int32_t kLanes = 16;

// The columns of one strip: `first` is its first destination column, `used` how many it holds,
// `width` its width rounded up to whole lanes. The column weights are copied for the strip with
// zero weights and source index 0 in the padding, so every block of lanes is computed whole.
struct Strip {
  Strip(const AxisTaps& columns, std::int32_t first, std::int32_t width);
  const float* weightsOf(std::int32_t tap) const {
    return weight.data() + static_cast<std::size_t>(tap) * width;
  }
  const std::int32_t* indexOf(std::int32_t tap) const {
    return index.data() + static_cast<std::size_t>(tap) * width;
  }

  std::int32_t first;
  std::int32_t used;
  std::int32_t width;
  std::vector<float> weight;        // [tap][column]
  std::vector<std::int32_t> index;  // [tap][column]
};

// A destination row needs a contiguous range of at most `slots` source rows, so source row r lives
// in slot r % slots and is gathered once as the destination rows move down.
class GatheredRows {
 public:
  GatheredRows(const SourcePixels& source, const AxisTaps& columns, const Strip& strip, std::int32_t slots,
               InstructionSet isa);

  // Channel runs of `sourceRow`: blue at the result, green one channelStride() further, then red.
  const float* row(std::int32_t sourceRow);
  std::size_t channelStride() const { return channelStride_; }

 private:
  const SourcePixels& source_;
  const AxisTaps& columns_;
  const Strip& strip_;
  const InstructionSet isa_;
  const std::size_t channelStride_;
  std::vector<float> storage_;  // padding columns stay 0
  std::vector<std::int32_t> slotRow_;
};

}  // namespace corvale
