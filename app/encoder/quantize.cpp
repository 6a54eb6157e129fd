// Quantization of one transformed block (T.81 A.3.4, with halves rounded to the even neighbour).
#include "encoder/quantize.h"

#include <cfloat>
#include <cmath>

#include "encoder/encoder_error.h"

namespace lumivex {

static_assert(FLT_EVAL_METHOD == 0, "the rounding below needs doubles evaluated as doubles");

namespace {

// Adding and removing 1.5 * 2^52 leaves x rounded to an integer by the current rounding mode
// (to nearest, ties to even), exactly as std::nearbyint does, without a library call. Valid for
// |x| < 2^51; larger values are refused before they get here. Doubles are never evaluated in
// excess precision on x86-64 and the build allows no reassociation, so the sum is really rounded.
inline double roundHalfEven(double x) {
  constexpr double kShifter = 6755399441055744.0;
  return (x + kShifter) - kShifter;
}

}  // namespace

void QuantizeBlock(const DctBlock& block, const QuantTable& table, std::vector<std::int16_t>& coefficients,
                   std::size_t& position) {
  if (position > coefficients.size() || coefficients.size() - position < 64) raiseSubscriptOutOfRange();
  std::int16_t* out = coefficients.data() + position;
  for (int n = 0; n < 64; ++n) {
    int z = kZigZag[n];
    double x = static_cast<double>(block[n]) * static_cast<double>(table.Divisors[z]);
    if (!(std::fabs(x) < 65536.0)) raiseOverflow();
    double rounded = roundHalfEven(x);
    if (rounded < -32768.0 || rounded > 32767.0) raiseOverflow();
    out[z] = static_cast<std::int16_t>(rounded);
  }
  position += 64;
}

}  // namespace lumivex
