// Optimal Huffman tables, their expansion into codes, and magnitude categories.
#include <gtest/gtest.h>

#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <random>
#include <string>

// clang-format off
#include <jpeglib.h>
// clang-format on

#include "encoder/encoder_error.h"
#include "encoder/huffman_table.h"

// libjpeg-turbo's own builder of optimal tables (T.81 K.2), exported by the library though not
// declared in its public header: the independent oracle for ours.
extern "C" void jpeg_gen_optimal_table(j_compress_ptr cinfo, JHUFF_TBL* htbl, long freq[]);

namespace lumivex {
namespace {

std::string codeString(const HuffTable& table, int symbol) {
  std::string bits;
  for (std::int32_t mask = table.CodeMask[symbol]; mask > 0; mask >>= 1)
    bits += (table.Code[symbol] & mask) ? '1' : '0';
  return bits;
}

HuffTable builtFrom(SymbolCounts counts, int largestSymbol = 255) {
  HuffTable table;
  BuildOptimalTable(counts, table);
  ExpandHuffTable(table, largestSymbol);
  return table;
}

std::vector<int> bitsOf(const HuffTable& table) { return {table.Bits.begin(), table.Bits.end()}; }

TEST(BuildOptimalTable, ThreeSymbols) {
  SymbolCounts counts{};
  counts[0] = 3, counts[1] = 1, counts[2] = 1;
  HuffTable table = builtFrom(counts);
  EXPECT_EQ(bitsOf(table), (std::vector<int>{1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(table.HuffVal[0], 0);
  EXPECT_EQ(table.HuffVal[1], 1);
  EXPECT_EQ(table.HuffVal[2], 2);
  EXPECT_EQ(codeString(table, 0), "0");
  EXPECT_EQ(codeString(table, 1), "10");
  EXPECT_EQ(codeString(table, 2), "110");
}

TEST(BuildOptimalTable, EqualCountsFavourTheLowerSymbol) {
  SymbolCounts counts{};
  counts[0] = 5, counts[1] = 5;
  HuffTable table = builtFrom(counts);
  EXPECT_EQ(bitsOf(table), (std::vector<int>{1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(codeString(table, 0), "0");
  EXPECT_EQ(codeString(table, 1), "10");
}

TEST(BuildOptimalTable, OnlySymbolZeroGetsTheOneBitCodeZero) {
  SymbolCounts counts{};
  counts[0] = 1234;
  HuffTable table = builtFrom(counts, kLargestDcSymbol);
  EXPECT_EQ(bitsOf(table), (std::vector<int>{1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(table.HuffVal[0], 0);
  EXPECT_EQ(codeString(table, 0), "0");
  for (int s = 1; s < 256; ++s) EXPECT_EQ(table.CodeMask[s], 0);
}

TEST(BuildOptimalTable, LeavesTheCountsZeroed) {
  SymbolCounts counts{};
  counts[3] = 10, counts[200] = 4, counts[17] = 1;
  HuffTable table;
  BuildOptimalTable(counts, table);
  for (std::int32_t c : counts) EXPECT_EQ(c, 0);
}

// Fibonacci counts make the unlimited tree a chain 30 levels deep.
SymbolCounts fibonacciCounts() {
  SymbolCounts counts{};
  std::int32_t a = 1, b = 1;
  for (int s = 0; s < 30; ++s) {
    counts[s] = a;
    std::int32_t next = a + b;
    a = b, b = next;
  }
  return counts;
}

TEST(BuildOptimalTable, LimitsCodesTo16BitsAndKeepsEverySymbol) {
  HuffTable table = builtFrom(fibonacciCounts());
  double kraft = 0;
  for (int s = 0; s < 30; ++s) {
    ASSERT_NE(table.CodeMask[s], 0) << s;
    int length = codeLength(table, s);
    EXPECT_LE(length, 16);
    kraft += std::ldexp(1.0, -length);
    EXPECT_NE(codeString(table, s), std::string(static_cast<std::size_t>(length), '1')) << "all-ones code";
  }
  EXPECT_LT(kraft, 1.0);
}

// The same counts through libjpeg-turbo's builder.
HuffTable libjpegTable(const SymbolCounts& counts) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr errors{};
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_compress(&cinfo);
  JHUFF_TBL* out = jpeg_alloc_huff_table(reinterpret_cast<j_common_ptr>(&cinfo));
  long freq[257];
  for (int s = 0; s < 257; ++s) freq[s] = counts[s];
  jpeg_gen_optimal_table(&cinfo, out, freq);
  HuffTable table;
  for (int i = 0; i < 16; ++i) table.Bits[i] = out->bits[i + 1];
  for (int i = 0; i < 256; ++i) table.HuffVal[i] = out->huffval[i];
  jpeg_destroy_compress(&cinfo);
  return table;
}

TEST(BuildOptimalTable, AgreesWithLibjpegOnRandomStatistics) {
  std::mt19937 random(3);
  for (int trial = 0; trial < 300; ++trial) {
    SymbolCounts counts{};
    if (trial == 0) counts = fibonacciCounts();  // the length limiter at work
    int symbols = 1 + static_cast<int>(random() % 256);
    int spread = 1 + static_cast<int>(random() % 13);  // keeps libjpeg's tree within its 32 levels
    for (int i = 0; i < symbols && trial > 0; ++i) {
      int s = static_cast<int>(random() % 256);
      // Skewed counts, many ties and some long codes.
      counts[s] = static_cast<std::int32_t>(std::pow(1.7, static_cast<double>(random() % spread))) +
                  static_cast<std::int32_t>(random() % 3);
    }
    HuffTable expected = libjpegTable(counts);
    HuffTable ours;
    BuildOptimalTable(counts, ours);
    ASSERT_EQ(bitsOf(ours), bitsOf(expected)) << "trial " << trial;
    int n = 0;
    for (int b : bitsOf(ours)) n += b;
    for (int i = 0; i < n; ++i) ASSERT_EQ(ours.HuffVal[i], expected.HuffVal[i]) << "trial " << trial;
    ExpandHuffTable(ours, 255);
  }
}

void expectBadTable(HuffTable table, int largestSymbol) {
  try {
    ExpandHuffTable(table, largestSymbol);
    FAIL() << "accepted";
  } catch (const EncoderError& e) {
    EXPECT_EQ(e.number(), 1);
    EXPECT_STREQ(e.what(), "Bad Huffman Table");
  }
}

TEST(ExpandHuffTable, RefusesTablesThatAreNotUsablePrefixCodes) {
  HuffTable empty;
  expectBadTable(empty, 255);  // no symbols at all

  HuffTable full;  // two one-bit codes leave no room: the all-ones code must stay free
  full.Bits[0] = 2, full.HuffVal[0] = 0, full.HuffVal[1] = 1;
  expectBadTable(full, 255);

  HuffTable tooLarge;  // DC symbols stop at 11
  tooLarge.Bits[1] = 1, tooLarge.HuffVal[0] = 12;
  expectBadTable(tooLarge, kLargestDcSymbol);

  HuffTable twice;
  twice.Bits[2] = 2, twice.HuffVal[0] = 5, twice.HuffVal[1] = 5;
  expectBadTable(twice, 255);

  HuffTable tooMany;  // 255 * 16 symbols
  tooMany.Bits.fill(255);
  expectBadTable(tooMany, 255);
}

TEST(ExpandHuffTable, CanonicalCodes) {
  HuffTable table;
  table.Bits[1] = 2, table.Bits[2] = 1;  // two 2-bit codes and one 3-bit code
  table.HuffVal[0] = 7, table.HuffVal[1] = 3, table.HuffVal[2] = 200;
  ExpandHuffTable(table, 255);
  EXPECT_EQ(codeString(table, 7), "00");
  EXPECT_EQ(codeString(table, 3), "01");
  EXPECT_EQ(codeString(table, 200), "100");
  EXPECT_EQ(table.CodeMask[4], 0);
  EXPECT_EQ(table.Code[4], -1);
}

TEST(MagnitudeCategory, Examples) {
  EXPECT_EQ(magnitudeCategory(0), 0);
  EXPECT_EQ(magnitudeCategory(1), 1);
  EXPECT_EQ(magnitudeCategory(-1), 1);
  EXPECT_EQ(magnitudeCategory(3), 2);
  EXPECT_EQ(magnitudeCategory(-3), 2);
  EXPECT_EQ(magnitudeCategory(8), 4);
  EXPECT_EQ(magnitudeCategory(1023), 10);
  EXPECT_EQ(magnitudeCategory(1024), 11);
  EXPECT_EQ(magnitudeCategory(-2047), 11);
  EXPECT_EQ(magnitudeCategory(-32768), 16);
}

TEST(MagnitudeCategory, AgreesWithTheLogarithmAndTheDoublingCount) {
  for (std::int32_t v = 1; v <= 131071; ++v) {
    int byLog = static_cast<int>(std::log(static_cast<double>(v)) * 1.442695040889) + 1;
    int byDoubling = 0;
    for (std::int64_t power = 1; power <= v; power *= 2) ++byDoubling;
    ASSERT_EQ(magnitudeCategory(v), byLog) << v;
    ASSERT_EQ(magnitudeCategory(-v), byDoubling) << v;
  }
}

}  // namespace
}  // namespace lumivex
