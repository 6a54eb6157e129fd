// Box window sums, a block of neighbouring destination pixels at a time: for each tap the block's
// source pixels are loaded by index and split into channel lanes, and the block's sums stay in
// vector registers across the window. Each pixel adds its taps in order, columns outer, rows
// inner, each product box weight * channel rounded to single.
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

[[gnu::always_inline]] inline void addTap(BlockSums& sums, float w, const std::uint8_t* line,
                                          const std::int32_t* index) {
#pragma GCC unroll 4
  for (int v = 0; v < kVectorsPerBlock; ++v) {
    IntLanes pixels;
    FloatLanes blue, green, red;
    loadPixels(pixels, line, index + v * kFloatLanes);
    splitChannels(pixels, blue, green, red);
    sums.blue[v] += w * blue;
    sums.green[v] += w * green;
    sums.red[v] += w * red;
  }
}

[[gnu::always_inline]] inline void sumWindow(const BoxWindow& window, float* sums) {
  const std::size_t width = static_cast<std::size_t>(window.strip.width);
  for (std::int32_t block = 0; block < window.strip.used; block += kLanes) {
    BlockSums blockSums;
    for (std::int32_t a = 0; a < window.columnTaps; ++a) {
      const std::int32_t* index = window.strip.indexOf(a) + block;
      for (std::int32_t b = 0; b < window.rowTaps; ++b)
        addTap(blockSums, window.boxWeight, window.rowLines[b], index);
    }
#pragma GCC unroll 4
    for (int v = 0; v < kVectorsPerBlock; ++v) {
      const std::size_t k = static_cast<std::size_t>(block) + static_cast<std::size_t>(v) * kFloatLanes;
      storeLanes(sums + k, blockSums.blue[v]);
      storeLanes(sums + width + k, blockSums.green[v]);
      storeLanes(sums + 2 * width + k, blockSums.red[v]);
    }
  }
}

__attribute__((target("avx2"))) void sumWindowAvx2(const BoxWindow& window, float* sums) {
  sumWindow(window, sums);
}

void sumWindowBaseline(const BoxWindow& window, float* sums) { sumWindow(window, sums); }

}  // namespace

void sumBoxWindow(const BoxWindow& window, float* sums, InstructionSet isa) {
  if (isa == InstructionSet::kAvx2)
    sumWindowAvx2(window, sums);
  else
    sumWindowBaseline(window, sums);
}

}  // namespace corvale
