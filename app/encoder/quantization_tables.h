// Quantization tables: the zig-zag order, the example tables of ITU-T T.81 Annex K scaled by the
// quality, and the divisors that fold the float DCT's output scaling into the quantizer.
#pragma once

#include <array>
#include <cstdint>

namespace lumivex {

// Entry row * 8 + column is the zig-zag index of that block position (T.81 Figure 5).
inline constexpr std::array<std::uint8_t, 64> kZigZag = {0,  1,  5,  6,  14, 15, 27, 28,  //
                                                         2,  4,  7,  13, 16, 26, 29, 42,  //
                                                         3,  8,  12, 17, 25, 30, 41, 43,  //
                                                         9,  11, 18, 24, 31, 40, 44, 53,  //
                                                         10, 19, 23, 32, 39, 45, 52, 54,  //
                                                         20, 22, 33, 38, 46, 51, 55, 60,  //
                                                         21, 34, 37, 47, 50, 56, 59, 61,  //
                                                         35, 36, 48, 49, 57, 58, 62, 63};

// T.81 Table K.1 (luminance) and K.2 (chrominance), in zig-zag order.
inline constexpr std::array<std::int16_t, 64> kLuminanceBase = {
    16, 11,  12, 14, 12, 10, 16,  14,  13,  14, 18, 17,  16,  19,  24,  40,  26, 24,  22,  22, 24, 49,
    35, 37,  29, 40, 58, 51, 61,  60,  57,  51, 56, 55,  64,  72,  92,  78,  64, 68,  87,  69, 55, 56,
    80, 109, 81, 87, 95, 98, 103, 104, 103, 62, 77, 113, 121, 112, 100, 120, 92, 101, 103, 99};
inline constexpr std::array<std::int16_t, 64> kChrominanceBase = {
    17, 18, 18, 24, 21, 24, 47, 26, 26, 47, 99, 66, 56, 66, 99, 99, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};

// The float DCT leaves coefficient (r, j) multiplied by 1 / (AanScale[r] * AanScale[j]): 1/sqrt(8)
// for index 0 and 1 / (4 cos(k pi / 16)) for k = 1..7, to the digits the divisors are built from.
inline constexpr std::array<double, 8> kAanScale = {0.353553390593273, 0.25489778955208,  0.270598050073098,
                                                    0.300672443467523, 0.353553390593273, 0.449988111568207,
                                                    0.653281482438186, 1.28145772387074};

struct QuantTable {
  std::array<std::int16_t, 64> Entries{};  // quantizer values, zig-zag order, as written to DQT
  std::array<float, 64> Divisors{};        // zig-zag order: AanScale(r) * AanScale(j) / entry
  // The same divisors in natural order (row * 8 + column), the order of the DCT's output, so
  // that the quantizer reads them in step with the block.
  std::array<float, 64> NaturalDivisors{};
};

// The percentage the base tables are scaled by at quality q (1..100): 5000 / q rounded to even
// below 50, 200 - 2q from 50 on.
std::int32_t qualityScaleFactor(std::int32_t quality);

// Entries = base scaled by the factor, rounded to even and clamped into 1..255; divisors to match.
void ScaleQuantTable(const std::array<std::int16_t, 64>& base, std::int32_t scaleFactor, QuantTable& table);

// The four table slots of an encoder at quality q (1..100): 0 the luminance table, 1 the
// chrominance table, 2 and 3 unused (all zero).
std::array<QuantTable, 4> TablesForQuality(std::int32_t quality);

// Rebuilds both orders of divisors from the entries; an entry outside 1..255 raises "Bad Quantization Table".
void BuildDivisors(QuantTable& table);

}  // namespace lumivex
