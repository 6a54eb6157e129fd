// Quality scaling, zig-zag order and divisors.
#include "encoder/quantization_tables.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "encoder/cjpeg.h"
#include "encoder/encoder_error.h"

namespace lumivex {
namespace {

std::vector<int> firstEntries(const QuantTable& table, int n) {
  return std::vector<int>(table.Entries.begin(), table.Entries.begin() + n);
}

QuantTable tableAt(int quality, const std::array<std::int16_t, 64>& base) {
  QuantTable table;
  ScaleQuantTable(base, qualityScaleFactor(quality), table);
  return table;
}

TEST(ZigZag, MatchesAWalkAlongTheAntiDiagonals) {
  // T.81 Figure 5 built independently: diagonal d = row + column, alternating direction.
  std::array<int, 64> expected{};
  int index = 0;
  for (int d = 0; d < 15; ++d) {
    for (int step = 0; step <= d; ++step) {
      int row = d % 2 == 0 ? d - step : step;
      int column = d - row;
      if (row < 8 && column < 8) expected[row * 8 + column] = index++;
    }
  }
  for (int n = 0; n < 64; ++n) EXPECT_EQ(kZigZag[n], expected[n]) << "position " << n;
  EXPECT_EQ(kZigZag[0], 0);
  EXPECT_EQ(kZigZag[1], 1);
  EXPECT_EQ(kZigZag[8], 2);
  EXPECT_EQ(kZigZag[16], 3);
  EXPECT_EQ(kZigZag[63], 63);
}

TEST(QualityScale, FactorsRoundHalvesToEven) {
  EXPECT_EQ(qualityScaleFactor(1), 5000);
  EXPECT_EQ(qualityScaleFactor(16), 312);  // 312.5 goes to the even neighbour
  EXPECT_EQ(qualityScaleFactor(49), 102);
  EXPECT_EQ(qualityScaleFactor(50), 100);
  EXPECT_EQ(qualityScaleFactor(75), 50);
  EXPECT_EQ(qualityScaleFactor(88), 24);
  EXPECT_EQ(qualityScaleFactor(100), 0);
}

TEST(QualityScale, ExamplesOfBothTables) {
  EXPECT_EQ(firstEntries(tableAt(50, kLuminanceBase), 10),
            (std::vector<int>{16, 12, 12, 14, 12, 10, 16, 14, 14, 14}));
  EXPECT_EQ(firstEntries(tableAt(50, kChrominanceBase), 10),
            (std::vector<int>{18, 18, 18, 24, 22, 24, 48, 26, 26, 48}));
  EXPECT_EQ(firstEntries(tableAt(75, kLuminanceBase), 10), (std::vector<int>{8, 6, 6, 8, 6, 6, 8, 8, 7, 8}));
  EXPECT_EQ(firstEntries(tableAt(75, kChrominanceBase), 10),
            (std::vector<int>{9, 10, 10, 12, 11, 12, 24, 14, 14, 24}));
  EXPECT_EQ(firstEntries(tableAt(88, kLuminanceBase), 10), (std::vector<int>{4, 3, 3, 4, 3, 3, 4, 4, 4, 4}));
  EXPECT_EQ(firstEntries(tableAt(88, kChrominanceBase), 10),
            (std::vector<int>{5, 5, 5, 6, 6, 6, 12, 7, 7, 12}));
  EXPECT_EQ(firstEntries(tableAt(16, kLuminanceBase), 6), (std::vector<int>{50, 35, 38, 44, 38, 32}));
}

TEST(QualityScale, ExtremesClampIntoOneTo255) {
  for (const auto* base : {&kLuminanceBase, &kChrominanceBase}) {
    QuantTable best = tableAt(100, *base), worst = tableAt(1, *base);
    for (int k = 0; k < 64; ++k) {
      EXPECT_EQ(best.Entries[k], 1);
      EXPECT_EQ(worst.Entries[k], 255);
    }
  }
  for (int q = 1; q <= 100; ++q) {
    QuantTable t = tableAt(q, kLuminanceBase);
    for (std::int16_t e : t.Entries) {
      EXPECT_GE(e, 1);
      EXPECT_LE(e, 255);
    }
  }
}

TEST(Divisors, FoldTheDctScaleIntoOneOverTheEntry) {
  QuantTable table = tableAt(75, kLuminanceBase);
  auto a = [](int k) { return k == 0 ? 1.0 : std::numbers::sqrt2 * std::cos(k * std::numbers::pi / 16); };
  for (int r = 0; r < 8; ++r) {
    for (int j = 0; j < 8; ++j) {
      int z = kZigZag[r * 8 + j];
      // Exactly as built: the listed scale digits, in double, stored as float.
      EXPECT_EQ(table.Divisors[z], static_cast<float>(kAanScale[r] * kAanScale[j] / table.Entries[z]));
      EXPECT_EQ(table.NaturalDivisors[r * 8 + j], table.Divisors[z]);
      // And what that means: the DCT output 8 a(r) a(j) F times the divisor is F / entry.
      double ideal = 1.0 / (8 * a(r) * a(j) * table.Entries[z]);
      EXPECT_NEAR(table.Divisors[z] / ideal, 1.0, 1e-6);
    }
  }
}

TEST(Divisors, EntryOutsideOneTo255IsABadTable) {
  for (std::int16_t bad : {std::int16_t{0}, std::int16_t{256}, std::int16_t{-3}}) {
    QuantTable table = tableAt(75, kLuminanceBase);
    table.Entries[17] = bad;
    try {
      BuildDivisors(table);
      FAIL() << "accepted " << bad;
    } catch (const EncoderError& e) {
      EXPECT_EQ(e.number(), 1);
      EXPECT_STREQ(e.what(), "Bad Quantization Table");
    }
  }
}

TEST(QualityProperty, DefaultsTo75AndIgnoresValuesOutOfRange) {
  cJpeg encoder;
  EXPECT_EQ(encoder.quality(), 75);
  encoder.setQuality(88);
  EXPECT_EQ(encoder.quality(), 88);
  for (int ignored : {0, 101, -5, 1000}) {
    encoder.setQuality(ignored);
    EXPECT_EQ(encoder.quality(), 88);
  }
  encoder.setQuality(1);
  EXPECT_EQ(encoder.quality(), 1);
  encoder.setQuality(100);
  EXPECT_EQ(encoder.quality(), 100);
}

}  // namespace
}  // namespace lumivex
