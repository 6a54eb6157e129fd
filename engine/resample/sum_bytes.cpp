// Window sums to pixel bytes, eight pixels at a time: the three channels are clamped, truncated and
// packed into one integer per pixel, whose three low bytes are then stored.
#include "resample/sum_bytes.h"

#include "resample/float_lanes.h"

namespace corvale {

namespace {

// The low byte of each sum truncated toward zero, after clamping to 0..255 when asked.
[[gnu::always_inline]] inline void truncateToBytes(FloatLanes& sums, bool clampRange, IntLanes& bytes) {
  if (clampRange) {
    const FloatLanes zero = {}, top = zero + 255.0f;
    sums = sums < zero ? zero : sums;
    sums = sums > top ? top : sums;
  }
  bytes = __builtin_convertvector(sums, IntLanes) & 0xFF;
}

[[gnu::always_inline]] inline void store(std::uint8_t* out, const float* sums, std::size_t width,
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

__attribute__((target("avx2"))) void storeAvx2(std::uint8_t* out, const float* sums, std::size_t width,
                                               const std::uint8_t* outside, std::int32_t n, bool clampRange) {
  store(out, sums, width, outside, n, clampRange);
}

void storeBaseline(std::uint8_t* out, const float* sums, std::size_t width, const std::uint8_t* outside,
                   std::int32_t n, bool clampRange) {
  store(out, sums, width, outside, n, clampRange);
}

}  // namespace

void storeSums(std::uint8_t* out, const float* sums, std::size_t width, const std::uint8_t* outside,
               std::int32_t n, bool clampRange, InstructionSet isa) {
  if (isa == InstructionSet::kAvx2)
    storeAvx2(out, sums, width, outside, n, clampRange);
  else
    storeBaseline(out, sums, width, outside, n, clampRange);
}

}  // namespace corvale
