// Quantization of one transformed block (T.81 A.3.4, with halves rounded to the even neighbour).
#include "encoder/quantize.h"

#include <emmintrin.h>

#include <array>
#include <cfloat>

#include "encoder/encoder_error.h"

namespace lumivex {

static_assert(FLT_EVAL_METHOD == 0, "the rounding below needs doubles evaluated as doubles");

namespace {

// Adding and taking away 1.5 * 2^52 rounds x to an integer by the current rounding mode (to
// nearest, ties to even), exactly as std::nearbyint does, for |x| < 2^51. Doubles are never
// evaluated in excess precision on x86-64 and the build allows no reassociation, so the sum is
// really rounded. The product of two floats is exact in double.
constexpr double kShifter = 6755399441055744.0;

// Two products, rounded, as whole doubles.
inline __m128d rounded(__m128 samples, __m128 divisors) {
  const __m128d shifter = _mm_set1_pd(kShifter);
  return _mm_sub_pd(_mm_add_pd(_mm_mul_pd(_mm_cvtps_pd(samples), _mm_cvtps_pd(divisors)), shifter), shifter);
}

inline __m128 highHalf(__m128 four) { return _mm_movehl_ps(four, four); }

// The position in natural order (row * 8 + column) of each zig-zag index.
constexpr std::array<std::uint8_t, 64> naturalOrder() {
  std::array<std::uint8_t, 64> natural{};
  for (int n = 0; n < 64; ++n) natural[kZigZag[n]] = static_cast<std::uint8_t>(n);
  return natural;
}
constexpr std::array<std::uint8_t, 64> kNatural = naturalOrder();

}  // namespace

void QuantizeBlock(const DctBlock& block, const QuantTable& table, std::vector<std::int16_t>& coefficients,
                   std::size_t& position) {
  if (position > coefficients.size() || coefficients.size() - position < 64) raiseSubscriptOutOfRange();
  // First all 64 values in natural order, four at a time, with one range test for the block, then
  // the reordering. The conversion to integers gives INT_MIN for NaN and for anything beyond 32
  // bits, which the range test refuses as it refuses every value outside 16 bits.
  alignas(16) std::int32_t values[64];
  const __m128i offset = _mm_set1_epi32(32768), top = _mm_set1_epi32(65535);
  __m128i outside = _mm_setzero_si128();
  for (int n = 0; n < 64; n += 4) {
    const __m128 samples = _mm_loadu_ps(block.data() + n);
    const __m128 divisors = _mm_loadu_ps(table.NaturalDivisors.data() + n);
    const __m128i low = _mm_cvttpd_epi32(rounded(samples, divisors));
    const __m128i high = _mm_cvttpd_epi32(rounded(highHalf(samples), highHalf(divisors)));
    const __m128i whole = _mm_unpacklo_epi64(low, high);
    const __m128i shifted = _mm_add_epi32(whole, offset);  // 0..65535 when in range
    outside = _mm_or_si128(
        outside, _mm_or_si128(_mm_cmplt_epi32(shifted, _mm_setzero_si128()), _mm_cmpgt_epi32(shifted, top)));
    _mm_store_si128(reinterpret_cast<__m128i*>(values + n), whole);
  }
  if (_mm_movemask_epi8(outside) != 0) raiseOverflow();
  std::int16_t* out = coefficients.data() + position;
  for (int z = 0; z < 64; ++z) out[z] = static_cast<std::int16_t>(values[kNatural[z]]);
  position += 64;
}

}  // namespace lumivex
