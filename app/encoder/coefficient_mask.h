// Which coefficients of a block are non-zero, as one 64-bit mask (bit k for zig-zag index k), so
// that the coder and the statistics step from one non-zero coefficient to the next instead of
// testing all 63 AC values: most are zero.
#pragma once

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace lumivex {

inline std::uint64_t nonZeroMask(const std::int16_t* block) {
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  std::uint64_t mask = 0;
  for (int k = 0; k < 64; k += 16) {
    __m128i low = _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(block + k)), zero);
    __m128i high = _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(block + k + 8)), zero);
    auto isZero = static_cast<std::uint64_t>(_mm_movemask_epi8(_mm_packs_epi16(low, high)));
    mask |= (~isZero & 0xFFFF) << k;
  }
  return mask;
#else
  std::uint64_t mask = 0;
  for (int k = 0; k < 64; ++k) mask |= std::uint64_t{block[k] != 0} << k;
  return mask;
#endif
}

}  // namespace lumivex
