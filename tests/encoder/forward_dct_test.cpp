// The float DCT and the quantizer.
#include "encoder/forward_dct.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

#include "encoder/encoder_error.h"
#include "encoder/quantize.h"

namespace lumivex {
namespace {

// The one-dimensional AAN pass as written out step by step: named values are floats, every
// expression is evaluated in double.
std::array<float, 8> referencePass(const std::array<float, 8>& d) {
  auto f = [](double x) { return static_cast<float>(x); };
  float t0 = f(double(d[0]) + d[7]), t7 = f(double(d[0]) - d[7]);
  float t1 = f(double(d[1]) + d[6]), t6 = f(double(d[1]) - d[6]);
  float t2 = f(double(d[2]) + d[5]), t5 = f(double(d[2]) - d[5]);
  float t3 = f(double(d[3]) + d[4]), t4 = f(double(d[3]) - d[4]);
  float t10 = f(double(t0) + t3), t13 = f(double(t0) - t3), t11 = f(double(t1) + t2);
  float z1 = f((double(t1) - double(t2) + double(t13)) * 0.707106781186548);
  std::array<float, 8> o{};
  o[0] = f(double(t10) + t11);
  o[4] = f(double(t10) - t11);
  o[2] = f(double(t13) + z1);
  o[6] = f(double(t13) - z1);
  float u10 = f(double(t4) + t5), u12 = f(double(t6) + t7);
  float z3 = f((double(t5) + double(t6)) * 0.707106781186548);
  float z5 = f((double(u12) - double(u10)) * 0.382683432365091);
  float z2 = f(double(u10) * 0.541196100146196 - double(z5));
  float z4 = f(double(u12) * 1.30656296487638 - double(z5));
  float z11 = f(double(t7) + z3), z13 = f(double(t7) - z3);
  o[5] = f(double(z13) + z2);
  o[3] = f(double(z13) - z2);
  o[1] = f(double(z11) + z4);
  o[7] = f(double(z11) - z4);
  return o;
}

DctBlock referenceDct(DctBlock block) {
  for (int c = 0; c < 8; ++c) {
    std::array<float, 8> column;
    for (int r = 0; r < 8; ++r) column[r] = block[r * 8 + c];
    column = referencePass(column);
    for (int r = 0; r < 8; ++r) block[r * 8 + c] = column[r];
  }
  for (int r = 0; r < 8; ++r) {
    std::array<float, 8> row;
    for (int c = 0; c < 8; ++c) row[c] = block[r * 8 + c];
    row = referencePass(row);
    for (int c = 0; c < 8; ++c) block[r * 8 + c] = row[c];
  }
  return block;
}

DctBlock randomBlock(std::mt19937& random) {
  std::uniform_int_distribution<int> sample(-128, 127);
  DctBlock block;
  for (float& v : block)
    v = static_cast<float>(sample(random)) + 0.25f * static_cast<float>(sample(random) % 4);
  return block;
}

TEST(ForwardDct, FlatBlockHasOnlyADcTerm) {
  for (float s : {127.0f, -128.0f, 37.0f, 0.0f}) {
    DctBlock block;
    block.fill(s);
    ForwardDct(block);
    EXPECT_EQ(block[0], 64 * s);
    for (int k = 1; k < 64; ++k) EXPECT_EQ(block[k], 0.0f) << k;
  }
}

TEST(ForwardDct, BitExactWithTheStepByStepPasses) {
  std::mt19937 random(7);
  for (int trial = 0; trial < 500; ++trial) {
    DctBlock block = randomBlock(random);
    DctBlock expected = referenceDct(block);
    ForwardDct(block);
    for (int k = 0; k < 64; ++k) ASSERT_EQ(block[k], expected[k]) << "trial " << trial << " entry " << k;
  }
}

TEST(ForwardDct, ScaledDefinitionOfTheTransform) {
  // T.81 A.3.3 directly: out(r, j) = 8 a(r) a(j) F(r, j).
  auto c = [](int k) { return k == 0 ? 1 / std::numbers::sqrt2 : 1.0; };
  auto a = [](int k) { return k == 0 ? 1.0 : std::numbers::sqrt2 * std::cos(k * std::numbers::pi / 16); };
  std::mt19937 random(11);
  for (int trial = 0; trial < 20; ++trial) {
    DctBlock block = randomBlock(random);
    DctBlock out = block;
    ForwardDct(out);
    for (int u = 0; u < 8; ++u) {
      for (int v = 0; v < 8; ++v) {
        double sum = 0;
        for (int y = 0; y < 8; ++y)
          for (int x = 0; x < 8; ++x)
            sum += block[y * 8 + x] * std::cos((2 * y + 1) * u * std::numbers::pi / 16) *
                   std::cos((2 * x + 1) * v * std::numbers::pi / 16);
        double f = 0.25 * c(u) * c(v) * sum;
        EXPECT_NEAR(out[u * 8 + v], 8 * a(u) * a(v) * f, 0.02) << u << "," << v;
      }
    }
  }
}

QuantTable unitDivisors(float divisor) {
  QuantTable table;
  table.Entries.fill(1);
  table.Divisors.fill(divisor);
  table.NaturalDivisors.fill(divisor);
  return table;
}

TEST(QuantizeBlock, FlatBlocksGiveTheDcOfT81) {
  QuantTable table;
  table.Entries.fill(1);
  BuildDivisors(table);
  for (auto [s, dc] : {std::pair{127.0f, 1016}, std::pair{-128.0f, -1024}}) {
    DctBlock block;
    block.fill(s);
    ForwardDct(block);
    std::vector<std::int16_t> coefficients(128, 99);
    std::size_t position = 64;
    QuantizeBlock(block, table, coefficients, position);
    EXPECT_EQ(position, 128u);
    EXPECT_EQ(coefficients[64], dc);
    for (int k = 65; k < 128; ++k) EXPECT_EQ(coefficients[k], 0);
    EXPECT_EQ(coefficients[0], 99);  // the block before is untouched
  }
}

TEST(QuantizeBlock, MatchesTheDirectFormula) {
  QuantTable table;
  for (int k = 0; k < 64; ++k) table.Entries[k] = static_cast<std::int16_t>(1 + (k * 37) % 200);
  BuildDivisors(table);
  std::mt19937 random(13);
  for (int trial = 0; trial < 200; ++trial) {
    DctBlock block = randomBlock(random);
    ForwardDct(block);
    std::vector<std::int16_t> out(64);
    std::size_t position = 0;
    QuantizeBlock(block, table, out, position);
    for (int r = 0; r < 8; ++r)
      for (int j = 0; j < 8; ++j) {
        int z = kZigZag[r * 8 + j];
        double x = static_cast<double>(block[r * 8 + j]) * static_cast<double>(table.Divisors[z]);
        ASSERT_EQ(out[z], static_cast<std::int16_t>(std::nearbyint(x))) << trial << " " << r << "," << j;
      }
  }
}

TEST(QuantizeBlock, HalvesRoundToEven) {
  DctBlock block{};
  block[0] = 5.0f;   // 2.5
  block[1] = -7.0f;  // -3.5
  block[2] = 3.0f;   // 1.5
  block[3] = -1.0f;  // -0.5
  std::vector<std::int16_t> out(64);
  std::size_t position = 0;
  QuantizeBlock(block, unitDivisors(0.5f), out, position);
  EXPECT_EQ(out[kZigZag[0]], 2);
  EXPECT_EQ(out[kZigZag[1]], -4);
  EXPECT_EQ(out[kZigZag[2]], 2);
  EXPECT_EQ(out[kZigZag[3]], 0);
}

TEST(QuantizeBlock, StoresInZigZagOrder) {
  DctBlock block{};
  block[0] = 10;   // DC: entry 0
  block[1] = 20;   // row 0, column 1: entry 1
  block[8] = 30;   // row 1, column 0: entry 2
  block[63] = 40;  // row 7, column 7: entry 63
  std::vector<std::int16_t> out(64);
  std::size_t position = 0;
  QuantizeBlock(block, unitDivisors(1.0f), out, position);
  EXPECT_EQ(out[0], 10);
  EXPECT_EQ(out[1], 20);
  EXPECT_EQ(out[2], 30);
  EXPECT_EQ(out[63], 40);
}

TEST(QuantizeBlock, ValuesOutside16BitsOverflow) {
  auto quantizeOne = [](float value) {
    DctBlock block{};
    block[5] = value;
    std::vector<std::int16_t> out(64);
    std::size_t position = 0;
    QuantizeBlock(block, unitDivisors(1.0f), out, position);
    return out[kZigZag[5]];
  };
  EXPECT_EQ(quantizeOne(32767.0f), 32767);
  EXPECT_EQ(quantizeOne(-32768.0f), -32768);
  EXPECT_EQ(quantizeOne(-32768.25f), -32768);
  for (float bad : {32767.5f, 40000.0f, -32768.75f, 1e30f, std::nanf("")}) {
    try {
      quantizeOne(bad);
      FAIL() << bad;
    } catch (const EncoderError& e) {
      EXPECT_EQ(e.number(), 6);
    }
  }
}

TEST(QuantizeBlock, ABlockBeyondTheArrayIsRefused) {
  DctBlock block{};
  std::vector<std::int16_t> out(100);
  std::size_t position = 64;
  try {
    QuantizeBlock(block, unitDivisors(1.0f), out, position);
    FAIL();
  } catch (const EncoderError& e) {
    EXPECT_EQ(e.number(), 9);
  }
}

}  // namespace
}  // namespace lumivex
