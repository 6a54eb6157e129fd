// Eight single-precision lanes (GCC/Clang vector extension): one AVX2 register, two SSE registers
// in a baseline build. Lanes are loaded and stored unaligned through memcpy and passed only by
// reference, so no function's calling convention depends on the instruction set.
//
// Each hot loop is written once as an always-inline body and compiled twice, in a function with
// the AVX2 target and in a baseline one; the caller names the variant (instruction_set.h). (Compiler-made
// clones would put resolver symbols into the library's exported table.) No variant fuses a multiply and an
// add: -ffp-contract=off holds for all of them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace corvale {

using FloatLanes = float __attribute__((vector_size(32)));
using IntLanes = std::int32_t __attribute__((vector_size(32)));
constexpr int kFloatLanes = 8;

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

}  // namespace corvale
