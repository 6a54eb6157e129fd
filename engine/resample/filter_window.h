// The filter stage (modes 1 to 3): source rows gathered for a strip, and the sums of one
// destination row of the strip, a block of neighbouring destination pixels at a time.
//
// Gathering lays out, for each column tap, the source channels under the strip's columns as
// floats, [channel][column tap][column], so that every tap is a contiguous run across the strip
// and the window loop reads plain runs instead of looking up source indices. A block keeps its
// sums in vector registers across the whole window (two registers per channel with AVX2, so six
// independent sums are in flight); the lanes are independent pixels, so every pixel still adds its
// own taps in order, each product w * channel rounded to single after w = wx * wy was.
//
// Always inlined into the 2-D loop's variants (strip.h says why).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "resample/strip.h"
#include "resample/table_resampler.h"

namespace corvale {

// One column tap of one source row: the pixels at the strip columns' source indices, split into
// three float runs, eight columns at a time (`count` is a whole number of lanes; the strip's
// padding columns read pixel 0).
[[gnu::always_inline]] inline void gatherTap(const std::uint8_t* line, const std::int32_t* index,
                                             std::int32_t count, float* blue, float* green, float* red) {
  for (std::int32_t i = 0; i < count; i += kFloatLanes) {
    IntLanes pixels;
    FloatLanes b, g, r;
    loadPixels(pixels, line, index + i);
    splitChannels(pixels, b, g, r);
    storeLanes(blue + i, b);
    storeLanes(green + i, g);
    storeLanes(red + i, r);
  }
}

// A destination row needs a contiguous range of at most `slots` source rows, so source row r lives
// in slot r % slots and is gathered once as the destination rows move down.
class GatheredRows {
 public:
  GatheredRows(const SourcePixels& source, const AxisTaps& columns, const Strip& strip, std::int32_t slots)
      : source_(source),
        columns_(columns),
        strip_(strip),
        channelStride_(static_cast<std::size_t>(columns.taps) * static_cast<std::size_t>(strip.width)),
        storage_(channelStride_ * 3 * static_cast<std::size_t>(slots), 0.0f),
        slotRow_(static_cast<std::size_t>(slots), -1) {}

  // Channel runs of `sourceRow`: blue at the result, green one channelStride() further, then red.
  [[gnu::always_inline]] const float* row(std::int32_t sourceRow) {
    const std::size_t slot = static_cast<std::size_t>(sourceRow) % slotRow_.size();
    float* block = storage_.data() + slot * channelStride_ * 3;
    if (slotRow_[slot] == sourceRow) return block;
    const std::uint8_t* line =
        source_.pixels + static_cast<std::size_t>(sourceRow) * static_cast<std::size_t>(source_.width) * 4;
    const std::int32_t wholeLanes = (strip_.used + kFloatLanes - 1) / kFloatLanes * kFloatLanes;
    for (std::int32_t tap = 0; tap < columns_.taps; ++tap) {
      float* blue = block + static_cast<std::size_t>(tap) * strip_.width;
      gatherTap(line, strip_.indexOf(tap), wholeLanes, blue, blue + channelStride_,
                blue + 2 * channelStride_);
    }
    slotRow_[slot] = sourceRow;
    return block;
  }
  std::size_t channelStride() const { return channelStride_; }

 private:
  const SourcePixels& source_;
  const AxisTaps& columns_;
  const Strip& strip_;
  const std::size_t channelStride_;
  std::vector<float> storage_;  // padding columns stay 0
  std::vector<std::int32_t> slotRow_;
};

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

[[gnu::always_inline]] inline void addFilterTap(BlockSums& sums, const FilterWindow& window,
                                                std::int32_t block, std::int32_t a, std::int32_t b) {
  const float* wx = window.strip.weightsOf(a) + block;
  const float wy = window.rowWeights[b];
  const float* blue = window.rowRuns[b] + static_cast<std::size_t>(a) * window.strip.width + block;
  const float* green = blue + window.channelStride;
  const float* red = green + window.channelStride;
#pragma GCC unroll 4
  for (int v = 0; v < kVectorsPerBlock; ++v) {
    const int k = v * kFloatLanes;
    FloatLanes w, channel;
    loadLanes(w, wx + k);
    w *= wy;
    loadLanes(channel, blue + k);
    sums.blue[v] += w * channel;
    loadLanes(channel, green + k);
    sums.green[v] += w * channel;
    loadLanes(channel, red + k);
    sums.red[v] += w * channel;
  }
}

template <TapOrder order>
[[gnu::always_inline]] inline void sumFilterBlocks(const FilterWindow& window, float* out) {
  for (std::int32_t block = 0; block < window.strip.used; block += kLanes) {
    BlockSums sums;
    if constexpr (order == TapOrder::kColumnsOuter) {
      for (std::int32_t a = 0; a < window.columnTaps; ++a)
        for (std::int32_t b = 0; b < window.rowTaps; ++b) addFilterTap(sums, window, block, a, b);
    } else {
      for (std::int32_t b = 0; b < window.rowTaps; ++b)
        for (std::int32_t a = 0; a < window.columnTaps; ++a) addFilterTap(sums, window, block, a, b);
    }
    storeBlock(sums, out + block, static_cast<std::size_t>(window.strip.width));
  }
}

// Three runs (blue, green, red) of strip.width floats in `sums`.
[[gnu::always_inline]] inline void sumFilterWindow(const FilterWindow& window, float* sums) {
  if (window.order == TapOrder::kColumnsOuter)
    sumFilterBlocks<TapOrder::kColumnsOuter>(window, sums);
  else
    sumFilterBlocks<TapOrder::kRowsOuter>(window, sums);
}

}  // namespace corvale
