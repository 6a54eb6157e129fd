// Filter window sums, a block of neighbouring destination pixels at a time. A block keeps its sums
// in vector registers across the whole window (two registers per channel with AVX2, so six
// independent sums are in flight); the lanes are independent pixels, so every pixel still adds its
// own taps in order, each product w * channel rounded to single after w = wx * wy was.
#include "resample/float_lanes.h"
#include "resample/window_sums.h"

namespace corvale {

namespace {

constexpr int kVectorsPerBlock = kLanes / kFloatLanes;
static_assert(kLanes % kFloatLanes == 0);

struct BlockSums {
  FloatLanes blue[kVectorsPerBlock] = {};
  FloatLanes green[kVectorsPerBlock] = {};
  FloatLanes red[kVectorsPerBlock] = {};
};

[[gnu::always_inline]] inline void addTap(BlockSums& sums, const FilterWindow& window, std::int32_t block,
                                          std::int32_t a, std::int32_t b) {
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

[[gnu::always_inline]] inline void storeBlock(const BlockSums& sums, float* out, std::size_t width) {
#pragma GCC unroll 4
  for (int v = 0; v < kVectorsPerBlock; ++v) {
    const int k = v * kFloatLanes;
    storeLanes(out + k, sums.blue[v]);
    storeLanes(out + width + k, sums.green[v]);
    storeLanes(out + 2 * width + k, sums.red[v]);
  }
}

template <TapOrder order>
[[gnu::always_inline]] inline void sumBlocks(const FilterWindow& window, float* out) {
  for (std::int32_t block = 0; block < window.strip.used; block += kLanes) {
    BlockSums sums;
    if constexpr (order == TapOrder::kColumnsOuter) {
      for (std::int32_t a = 0; a < window.columnTaps; ++a)
        for (std::int32_t b = 0; b < window.rowTaps; ++b) addTap(sums, window, block, a, b);
    } else {
      for (std::int32_t b = 0; b < window.rowTaps; ++b)
        for (std::int32_t a = 0; a < window.columnTaps; ++a) addTap(sums, window, block, a, b);
    }
    storeBlock(sums, out + block, static_cast<std::size_t>(window.strip.width));
  }
}

[[gnu::always_inline]] inline void sumWindow(const FilterWindow& window, float* sums) {
  if (window.order == TapOrder::kColumnsOuter)
    sumBlocks<TapOrder::kColumnsOuter>(window, sums);
  else
    sumBlocks<TapOrder::kRowsOuter>(window, sums);
}

__attribute__((target("avx2"))) void sumWindowAvx2(const FilterWindow& window, float* sums) {
  sumWindow(window, sums);
}

void sumWindowBaseline(const FilterWindow& window, float* sums) { sumWindow(window, sums); }

}  // namespace

void sumFilterWindow(const FilterWindow& window, float* sums, InstructionSet isa) {
  if (isa == InstructionSet::kAvx2)
    sumWindowAvx2(window, sums);
  else
    sumWindowBaseline(window, sums);
}

}  // namespace corvale
