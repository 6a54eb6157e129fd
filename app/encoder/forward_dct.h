// The two-dimensional forward DCT of one 8x8 block, in place, by the floating-point factorisation
// of Arai, Agui and Nakajima: 5 multiplications per one-dimensional pass, with the output scaling
// left to the quantizer's divisors.
#pragma once

#include <array>

namespace lumivex {

// Natural order, entry row * 8 + column. In: level-shifted samples. Out: entry (r, j) holds
// 8 * a(r) * a(j) * F(r, j), with F the DCT of T.81 A.3.3, a(0) = 1, a(k) = sqrt(2) cos(k pi / 16).
using DctBlock = std::array<float, 64>;

// Columns first, then rows. Every named temporary is rounded to single precision when stored and
// every expression is evaluated in double precision, so results do not depend on the compiler.
void ForwardDct(DctBlock& block);

}  // namespace lumivex
