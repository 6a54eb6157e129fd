// Quantization of one transformed block (T.81 A.3.4, with halves rounded to the even neighbour).
#include "encoder/quantize.h"

#include <cfloat>
#include <cstring>

#include "encoder/encoder_error.h"

namespace lumivex {

static_assert(FLT_EVAL_METHOD == 0, "the rounding below needs doubles evaluated as doubles");

namespace {

// Adding 1.5 * 2^52 rounds x to an integer by the current rounding mode (to nearest, ties to
// even), exactly as std::nearbyint does, and leaves that integer in the low bits of the sum's
// mantissa, two's complement, for |x| < 2^31. Larger values come out far outside the 16-bit range
// and are refused. Doubles are never evaluated in excess precision on x86-64 and the build allows
// no reassociation, so the sum is really rounded.
constexpr double kShifter = 6755399441055744.0;

inline std::int32_t lowBits(double shifted) {
  std::int64_t bits;
  std::memcpy(&bits, &shifted, sizeof bits);
  return static_cast<std::int32_t>(bits);
}

}  // namespace

void QuantizeBlock(const DctBlock& block, const QuantTable& table, std::vector<std::int16_t>& coefficients,
                   std::size_t& position) {
  if (position > coefficients.size() || coefficients.size() - position < 64) raiseSubscriptOutOfRange();
  // First all 64 values in natural order, with one range test for the block (a loop the compiler
  // can run on several values at once), then the reordering.
  std::int32_t values[64];
  bool inRange = true;
  for (int n = 0; n < 64; ++n) {
    double shifted = static_cast<double>(block[n]) * static_cast<double>(table.NaturalDivisors[n]) + kShifter;
    double rounded = shifted - kShifter;
    // NaN and values too large for the rounding trick fail this test as well.
    inRange &= (rounded >= -32768.0) & (rounded <= 32767.0);
    values[n] = lowBits(shifted);
  }
  if (!inRange) raiseOverflow();
  std::int16_t* out = coefficients.data() + position;
  for (int n = 0; n < 64; ++n) out[kZigZag[n]] = static_cast<std::int16_t>(values[n]);
  position += 64;
}

}  // namespace lumivex
