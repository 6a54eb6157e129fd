// The box stage: the sums of one destination row of a strip in mode 0, a block of neighbouring
// destination pixels at a time. For each tap the block's source pixels are loaded by index and
// split into channel lanes, and the block's sums stay in vector registers across the window. Each
// pixel adds its taps in order, columns outer, rows inner, each product box weight * channel
// rounded to single. The box reads the source rows directly: a box reduction uses each source
// pixel once, so gathering first (as the filters do) would not pay.
//
// Always inlined into the 2-D loop's variants (strip.h says why).
#pragma once

#include <cstddef>
#include <cstdint>

#include "resample/strip.h"

namespace corvale {

struct BoxWindow {
  const Strip& strip;
  std::int32_t columnTaps;
  std::int32_t rowTaps;
  const std::uint8_t* const* rowLines;  // per row tap: its source row
  float boxWeight;
};

[[gnu::always_inline]] inline void addBoxTap(BlockSums& sums, float w, const std::uint8_t* line,
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

// Three runs (blue, green, red) of strip.width floats in `sums`.
[[gnu::always_inline]] inline void sumBoxWindow(const BoxWindow& window, float* sums) {
  const std::size_t width = static_cast<std::size_t>(window.strip.width);
  for (std::int32_t block = 0; block < window.strip.used; block += kLanes) {
    BlockSums blockSums;
    for (std::int32_t a = 0; a < window.columnTaps; ++a) {
      const std::int32_t* index = window.strip.indexOf(a) + block;
      for (std::int32_t b = 0; b < window.rowTaps; ++b)
        addBoxTap(blockSums, window.boxWeight, window.rowLines[b], index);
    }
    storeBlock(blockSums, sums + block, width);
  }
}

// The same sums with the loops the other way round: each source row outer, every column of the
// strip inner. A box read from a picture stored a quarter turn away from its upright form takes
// its upright columns from stored rows, and each pixel must still add its upright columns outer.
[[gnu::always_inline]] inline void sumBoxWindowRowsOuter(const BoxWindow& window, float* sums) {
  const std::size_t width = static_cast<std::size_t>(window.strip.width);
  for (std::int32_t block = 0; block < window.strip.used; block += kLanes) {
    BlockSums blockSums;
    for (std::int32_t b = 0; b < window.rowTaps; ++b)
      for (std::int32_t a = 0; a < window.columnTaps; ++a)
        addBoxTap(blockSums, window.boxWeight, window.rowLines[b], window.strip.indexOf(a) + block);
    storeBlock(blockSums, sums + block, width);
  }
}

}  // namespace corvale
