// One strip of destination columns and the vector lanes it is computed in: what the box and filter
// window stages share, and the last step of every destination row, its sums stored as bytes.
//
// Lanes hold eight single-precision values (GCC/Clang vector extension): one AVX2 register, two SSE
// registers in a baseline build. They are loaded and stored unaligned through memcpy and passed
// only by reference, so no function's calling convention depends on the instruction set.
//
// Everything here is always inlined. The 2-D loop (table_resampler.cpp) is compiled twice, for AVX2
// and for the x86-64 baseline, and chooses one of the two once per resample; these bodies become
// part of whichever it runs. (Compiler-made clones would put resolver symbols into the library's
// exported table.) No variant fuses a multiply and an add: -ffp-contract=off holds for all.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "resample/axis_taps.h"

namespace corvale {

using FloatLanes = float __attribute__((vector_size(32)));
using IntLanes = std::int32_t __attribute__((vector_size(32)));
constexpr int kFloatLanes = 8;

// Destination pixels computed side by side (two AVX2 registers per channel); strips are whole
// multiples of it.
constexpr std::int32_t kLanes = 16;
constexpr int kVectorsPerBlock = kLanes / kFloatLanes;
static_assert(kLanes % kFloatLanes == 0);

[[gnu::always_inline]] inline void loadLanes(FloatLanes& lanes, const float* from) {
  std::memcpy(&lanes, from, sizeof lanes);
}

[[gnu::always_inline]] inline void storeLanes(float* to, const FloatLanes& lanes) {
  std::memcpy(to, &lanes, sizeof lanes);
}
[[gnu::always_inline]] inline void storeLanes(std::int32_t* to, const IntLanes& lanes) {
  std::memcpy(to, &lanes, sizeof lanes);
}

// The pixels at eight source indices of one row (four bytes each: blue, green, red, fourth).
[[gnu::always_inline]] inline void loadPixels(IntLanes& pixels, const std::uint8_t* line,
                                              const std::int32_t* index) {
  for (int k = 0; k < kFloatLanes; ++k) {
    std::int32_t pixel;
    std::memcpy(&pixel, line + static_cast<std::size_t>(index[k]) * 4, sizeof pixel);
    pixels[k] = pixel;  // vector elements have no address under clang
  }
}

// Blue, green and red of eight pixels as floats (little-endian: blue is the low byte).
[[gnu::always_inline]] inline void splitChannels(const IntLanes& pixels, FloatLanes& blue, FloatLanes& green,
                                                 FloatLanes& red) {
  blue = __builtin_convertvector(pixels & 0xFF, FloatLanes);
  green = __builtin_convertvector((pixels >> 8) & 0xFF, FloatLanes);
  red = __builtin_convertvector((pixels >> 16) & 0xFF, FloatLanes);
}

// The running sums of one block of kLanes destination pixels, kept in registers across a window.
struct BlockSums {
  FloatLanes blue[kVectorsPerBlock] = {};
  FloatLanes green[kVectorsPerBlock] = {};
  FloatLanes red[kVectorsPerBlock] = {};
};

// Stores a block's sums into the three runs (blue at `out`, green `width` floats further, then red).
[[gnu::always_inline]] inline void storeBlock(const BlockSums& sums, float* out, std::size_t width) {
#pragma GCC unroll 4
  for (int v = 0; v < kVectorsPerBlock; ++v) {
    const int k = v * kFloatLanes;
    storeLanes(out + k, sums.blue[v]);
    storeLanes(out + width + k, sums.green[v]);
    storeLanes(out + 2 * width + k, sums.red[v]);
  }
}

// The columns of one strip: `first` is its first destination column, `used` how many it holds,
// `width` its width rounded up to whole lanes. The column weights are copied for the strip with
// zero weights and source index 0 in the padding, so every block of lanes is computed whole.
struct Strip {
  Strip(const AxisTaps& columns, std::int32_t first, std::int32_t width)
      : first(first),
        used(std::min(width, columns.count - first)),
        width(width),
        weight(static_cast<std::size_t>(columns.taps) * static_cast<std::size_t>(width), 0.0f),
        index(weight.size(), 0) {
    for (std::int32_t tap = 0; tap < columns.taps; ++tap) {
      const std::size_t from = static_cast<std::size_t>(tap) * columns.count + first;
      const std::size_t to = static_cast<std::size_t>(tap) * width;
      std::copy_n(columns.weight.data() + from, used, weight.data() + to);
      std::copy_n(columns.index.data() + from, used, index.data() + to);
    }
  }
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

// The low byte of each sum truncated toward zero, after clamping to 0..255 when asked.
[[gnu::always_inline]] inline void truncateToBytes(FloatLanes& sums, bool clampRange, IntLanes& bytes) {
  if (clampRange) {
    const FloatLanes zero = {}, top = zero + 255.0f;
    sums = sums < zero ? zero : sums;
    sums = sums > top ? top : sums;
  }
  bytes = __builtin_convertvector(sums, IntLanes) & 0xFF;
}

// Writes blue, green and red of `n` destination pixels from three runs of sums (blue at `sums`,
// green `width` floats further, then red; each run holds at least n rounded up to 8 values), eight
// pixels at a time: the channels are clamped (when `clampRange` is set), truncated and packed into
// one integer per pixel, whose three low bytes are then stored. A pixel whose `outside` flag is set
// is black. The fourth byte is never written.
[[gnu::always_inline]] inline void storeSums(std::uint8_t* out, const float* sums, std::size_t width,
                                             const std::uint8_t* outside, std::int32_t n, bool clampRange) {
  std::int32_t packed[kFloatLanes];
  for (std::int32_t i = 0; i < n; i += kFloatLanes) {
    FloatLanes blue, green, red;
    loadLanes(blue, sums + i);
    loadLanes(green, sums + width + i);
    loadLanes(red, sums + 2 * width + i);
    IntLanes b, g, r;
    truncateToBytes(blue, clampRange, b);
    truncateToBytes(green, clampRange, g);
    truncateToBytes(red, clampRange, r);
    storeLanes(packed, b | g << 8 | r << 16);
    const std::int32_t count = n - i < kFloatLanes ? n - i : kFloatLanes;
    for (std::int32_t k = 0; k < count; ++k) {
      std::uint8_t* pixel = out + static_cast<std::size_t>(i + k) * 4;
      const std::int32_t value = outside[i + k] ? 0 : packed[k];
      pixel[0] = static_cast<std::uint8_t>(value);
      pixel[1] = static_cast<std::uint8_t>(value >> 8);
      pixel[2] = static_cast<std::uint8_t>(value >> 16);
    }
  }
}

}  // namespace corvale
