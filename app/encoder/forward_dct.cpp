// Float AAN forward DCT (Arai, Agui and Nakajima, Trans. IEICE E-71(11):1095, 1988; the scaled
// variant of Pennebaker and Mitchell, "JPEG: Still Image Data Compression Standard", fig. 4-8).
#include "encoder/forward_dct.h"

#include <cfloat>

namespace lumivex {

static_assert(FLT_EVAL_METHOD == 0, "results must not depend on excess precision");

namespace {

constexpr double kCos4 = 0.707106781186548;           // cos(4 pi / 16)
constexpr double kCos6 = 0.382683432365091;           // cos(6 pi / 16)
constexpr double kCos2MinusCos6 = 0.541196100146196;  // cos(2 pi / 16) - cos(6 pi / 16)
constexpr double kCos2PlusCos6 = 1.30656296487638;    // cos(2 pi / 16) + cos(6 pi / 16)

inline float single(double x) { return static_cast<float>(x); }

// One pass over eight values `stride` floats apart. Sums of two floats are formed in double and
// rounded once, exactly as a float addition would round them.
inline void transform8(float* p, int stride) {
  double d0 = p[0], d1 = p[stride], d2 = p[2 * stride], d3 = p[3 * stride];
  double d4 = p[4 * stride], d5 = p[5 * stride], d6 = p[6 * stride], d7 = p[7 * stride];

  float t0 = single(d0 + d7), t7 = single(d0 - d7);
  float t1 = single(d1 + d6), t6 = single(d1 - d6);
  float t2 = single(d2 + d5), t5 = single(d2 - d5);
  float t3 = single(d3 + d4), t4 = single(d3 - d4);

  // Even part.
  float t10 = single(double{t0} + t3), t13 = single(double{t0} - t3);
  float t11 = single(double{t1} + t2);
  float z1 = single(((double{t1} - t2) + t13) * kCos4);
  p[0] = single(double{t10} + t11);
  p[4 * stride] = single(double{t10} - t11);
  p[2 * stride] = single(double{t13} + z1);
  p[6 * stride] = single(double{t13} - z1);

  // Odd part: the rotation of (u10, u12) shares the product z5.
  float u10 = single(double{t4} + t5), u12 = single(double{t6} + t7);
  float z3 = single((double{t5} + t6) * kCos4);
  float z5 = single((double{u12} - u10) * kCos6);
  float z2 = single(u10 * kCos2MinusCos6 - z5);
  float z4 = single(u12 * kCos2PlusCos6 - z5);
  float z11 = single(double{t7} + z3), z13 = single(double{t7} - z3);
  p[5 * stride] = single(double{z13} + z2);
  p[3 * stride] = single(double{z13} - z2);
  p[1 * stride] = single(double{z11} + z4);
  p[7 * stride] = single(double{z11} - z4);
}

}  // namespace

void ForwardDct(DctBlock& block) {
  for (int column = 0; column < 8; ++column) transform8(block.data() + column, 8);
  for (int row = 0; row < 8; ++row) transform8(block.data() + row * 8, 1);
}

}  // namespace lumivex
