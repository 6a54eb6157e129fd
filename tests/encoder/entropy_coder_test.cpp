// Bit writer, block coding, symbol statistics, scan plan and the MCU walk of interleaved scans.
#include "encoder/entropy_coder.h"

#include <gtest/gtest.h>

#include <random>
#include <tuple>

#include "encoder/bit_writer.h"
#include "encoder/coefficient_mask.h"
#include "encoder/huffman_table.h"
#include "encoder/scan_plan.h"
#include "encoder/symbol_counts.h"

namespace lumivex {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(BitWriter, MostSignificantBitFirst) {
  Bytes out;
  BitWriter writer(out);
  ResetBitWriter(writer);
  WriteBits(writer, 4, 0b101);
  WriteBits(writer, 16, 0b11111);
  WriteBits(writer, 0, 0xFFFF);  // mask 0 writes nothing
  WriteBits(writer, 2, -1);      // only the masked bits of a negative value
  FlushBits(writer);
  EXPECT_EQ(out, (Bytes{0xBF, 0xFF, 0x00}));
}

TEST(BitWriter, StuffsAZeroAfterEvery0xFF) {
  Bytes out;
  BitWriter writer(out);
  ResetBitWriter(writer);
  WriteBits(writer, 128, 0xFF);
  WriteBits(writer, 1 << 15, 0xFFFF);
  WriteBits(writer, 128, 0x12);
  FlushBits(writer);
  EXPECT_EQ(out, (Bytes{0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x12}));
}

// The writer against a plain list of bits: long random runs of codes of every length, with many
// 0xFF bytes, across the staging area's refills.
TEST(BitWriter, MatchesBitByBitWriting) {
  std::mt19937 random(17);
  Bytes out;
  BitWriter writer(out);
  ResetBitWriter(writer);
  std::vector<int> bits;
  for (int i = 0; i < 20000; ++i) {
    int count = static_cast<int>(random() % 28);
    std::uint32_t value = random() % 3 == 0 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(random());
    for (int b = count - 1; b >= 0; --b) bits.push_back((value >> b) & 1);
    if (count > 0) WriteBits(writer, 1 << (count - 1), static_cast<std::int32_t>(value));
  }
  FlushBits(writer);
  while (bits.size() % 8 != 0) bits.push_back(1);
  Bytes expected;
  for (std::size_t i = 0; i < bits.size(); i += 8) {
    int byte = 0;
    for (int b = 0; b < 8; ++b) byte = byte * 2 + bits[i + b];
    expected.push_back(static_cast<std::uint8_t>(byte));
    if (byte == 0xFF) expected.push_back(0x00);
  }
  EXPECT_EQ(out, expected);
}

TEST(BitWriter, FlushFillsWithOnesAndStuffsTheResult) {
  Bytes out;
  BitWriter writer(out);
  ResetBitWriter(writer);
  WriteBits(writer, 64, 0x7F);  // seven 1-bits: the padding completes 0xFF
  FlushBits(writer);
  EXPECT_EQ(out, (Bytes{0xFF, 0x00}));
  WriteBits(writer, 2, 0b10);
  FlushBits(writer);
  FlushBits(writer);  // nothing pending: nothing written
  EXPECT_EQ(out, (Bytes{0xFF, 0x00, 0xBF}));
}

// A small decoder of our own scans: unstuffs, then reads codes bit by bit against the table.
class SymbolReader {
 public:
  explicit SymbolReader(const Bytes& coded) {
    for (std::size_t i = 0; i < coded.size(); ++i) {
      bytes_.push_back(coded[i]);
      if (coded[i] == 0xFF) {
        EXPECT_LT(i + 1, coded.size());
        EXPECT_EQ(coded[i + 1], 0x00) << "unstuffed 0xFF at " << i;
        ++i;
      }
    }
  }
  int bit() {
    if (position_ / 8 >= bytes_.size()) {
      ADD_FAILURE() << "read past the end";
      return 1;
    }
    int b = (bytes_[position_ / 8] >> (7 - position_ % 8)) & 1;
    ++position_;
    return b;
  }
  std::int32_t bits(int n) {
    std::int32_t v = 0;
    for (int i = 0; i < n; ++i) v = v * 2 + bit();
    return v;
  }
  int symbol(const HuffTable& table) {
    std::int32_t code = 0;
    for (int length = 1; length <= 16; ++length) {
      code = code * 2 + bit();
      for (int s = 0; s < 256; ++s)
        if (table.CodeMask[s] == (1 << (length - 1)) && table.Code[s] == code) return s;
    }
    ADD_FAILURE() << "no code matches";
    return -1;
  }
  // T.81 F.2.2.1: the value of `size` extra bits.
  std::int32_t value(int size) {
    if (size == 0) return 0;
    std::int32_t v = bits(size);
    return v < (1 << (size - 1)) ? v - (1 << size) + 1 : v;
  }
  std::size_t bitsLeft() const { return bytes_.size() * 8 - position_; }

 private:
  Bytes bytes_;
  std::size_t position_ = 0;
};

struct DecodedBlock {
  std::vector<int> acSymbols;
  std::array<std::int16_t, 64> coefficients{};
};

DecodedBlock decodeBlock(SymbolReader& reader, std::int32_t& prediction, const HuffTable& dc,
                         const HuffTable& ac) {
  DecodedBlock block;
  int size = reader.symbol(dc);
  prediction += reader.value(size);
  block.coefficients[0] = static_cast<std::int16_t>(prediction);
  for (int k = 1; k < 64;) {
    int symbol = reader.symbol(ac);
    block.acSymbols.push_back(symbol);
    if (symbol == 0x00) break;
    k += symbol >> 4;
    if (k > 63) {
      ADD_FAILURE() << "run beyond the block";
      break;
    }
    block.coefficients[k] = static_cast<std::int16_t>(reader.value(symbol & 15));
    ++k;
  }
  return block;
}

// Tables in which every symbol has a code.
struct AllSymbolTables {
  HuffTable dc, ac;
  AllSymbolTables() {
    SymbolCounts counts{};
    for (int s = 0; s <= kLargestDcSymbol; ++s) counts[s] = 1;
    BuildOptimalTable(counts, dc);
    ExpandHuffTable(dc, kLargestDcSymbol);
    for (int s = 0; s < 256; ++s) counts[s] = 1 + (s & 3);
    BuildOptimalTable(counts, ac);
    ExpandHuffTable(ac, kLargestAcSymbol);
  }
};

DecodedBlock roundTrip(const std::array<std::int16_t, 64>& block, std::int32_t prediction = 0) {
  AllSymbolTables tables;
  Bytes out;
  BitWriter writer(out);
  ResetBitWriter(writer);
  std::int32_t encoderPrediction = prediction;
  EncodeBlock(writer, block.data(), encoderPrediction, tables.dc, tables.ac);
  EXPECT_EQ(encoderPrediction, block[0]);
  FlushBits(writer);
  SymbolReader reader(out);
  DecodedBlock decoded = decodeBlock(reader, prediction, tables.dc, tables.ac);
  EXPECT_LT(reader.bitsLeft(), 8u);
  return decoded;
}

std::vector<int> acSymbolsCounted(const std::array<std::int16_t, 64>& block) {
  SymbolCounts counts{};
  BlockGrid grid{block.data(), 1, 1, 1, 1};
  CountAcSymbols(grid, nullptr, counts);
  std::vector<int> symbols;
  for (int s = 0; s < 256; ++s)
    for (int n = 0; n < counts[s]; ++n) symbols.push_back(s);
  return symbols;
}

TEST(EncodeBlock, FifteenZerosThenAValueIsOneSymbol) {
  std::array<std::int16_t, 64> block{};
  block[0] = 5;
  block[16] = -3;  // after the zeros at 1..15
  DecodedBlock decoded = roundTrip(block, 2);
  EXPECT_EQ(decoded.acSymbols, (std::vector<int>{0xF2, 0x00}));
  EXPECT_EQ(decoded.coefficients, block);
  EXPECT_EQ(acSymbolsCounted(block), (std::vector<int>{0x00, 0xF2}));
}

TEST(EncodeBlock, SixteenZerosNeedAZeroRunSymbol) {
  std::array<std::int16_t, 64> block{};
  block[17] = 3;
  DecodedBlock decoded = roundTrip(block);
  EXPECT_EQ(decoded.acSymbols, (std::vector<int>{0xF0, 0x02, 0x00}));
  EXPECT_EQ(decoded.coefficients, block);
}

TEST(EncodeBlock, TrailingZerosGiveOnlyTheEndOfBlock) {
  std::array<std::int16_t, 64> block{};
  block[0] = -7;
  block[23] = 1;  // 40 zeros follow, more than two runs of 16
  DecodedBlock decoded = roundTrip(block);
  // 22 zeros before the value: a run of 16, then 6 zeros and the value; no 0xF0 after it.
  EXPECT_EQ(decoded.acSymbols, (std::vector<int>{0xF0, 0x61, 0x00}));
  EXPECT_EQ(acSymbolsCounted(block), (std::vector<int>{0x00, 0x61, 0xF0}));

  std::array<std::int16_t, 64> early{};
  early[1] = 2;  // 62 zeros to the end
  EXPECT_EQ(roundTrip(early).acSymbols, (std::vector<int>{0x02, 0x00}));
}

TEST(EncodeBlock, ANonZeroLastCoefficientEndsWithoutEndOfBlock) {
  std::array<std::int16_t, 64> block{};
  block[63] = -1;
  DecodedBlock decoded = roundTrip(block);
  EXPECT_EQ(decoded.acSymbols, (std::vector<int>{0xF0, 0xF0, 0xF0, 0xE1}));
  EXPECT_EQ(decoded.coefficients, block);
}

TEST(NonZeroMask, MarksExactlyTheNonZeroCoefficients) {
  std::mt19937 random(19);
  for (int trial = 0; trial < 500; ++trial) {
    std::array<std::int16_t, 64> block{};
    std::uint64_t expected = 0;
    for (int k = 0; k < 64; ++k) {
      if (random() % 3 == 0) {
        static constexpr std::int16_t kValues[] = {1, -1, 255, -256, 32767, -32768, 0x100, 0x7F00};
        block[k] = kValues[random() % 8];
        expected |= std::uint64_t{1} << k;
      }
    }
    ASSERT_EQ(nonZeroMask(block.data()), expected) << trial;
  }
}

TEST(EncodeBlock, RandomBlocksDecodeToThemselves) {
  std::mt19937 random(5);
  for (int trial = 0; trial < 200; ++trial) {
    std::array<std::int16_t, 64> block{};
    for (int k = 0; k < 64; ++k)
      if (random() % 4 == 0) block[k] = static_cast<std::int16_t>(static_cast<int>(random() % 2047) - 1023);
    std::int32_t prediction = static_cast<std::int32_t>(random() % 2048) - 1024;
    ASSERT_EQ(roundTrip(block, prediction).coefficients, block) << trial;
  }
}

TEST(EncodeBlock, ASymbolWithoutACodeIsRefused) {
  SymbolCounts counts{};
  counts[0] = 1;
  HuffTable onlyZero;
  BuildOptimalTable(counts, onlyZero);
  ExpandHuffTable(onlyZero, 255);
  std::array<std::int16_t, 64> block{};
  block[0] = 4;  // DC category 3 has no code
  Bytes out;
  BitWriter writer(out);
  std::int32_t prediction = 0;
  EXPECT_THROW(EncodeBlock(writer, block.data(), prediction, onlyZero, onlyZero), std::runtime_error);
}

std::vector<ComponentRecord> withFactors(std::vector<std::pair<int, int>> factors) {
  std::vector<ComponentRecord> components;
  for (auto [h, v] : factors) {
    ComponentRecord c;
    c.H = h, c.V = v;
    components.push_back(c);
  }
  return components;
}

TEST(PlanScans, KeepsEveryMcuWithinTenBlocks) {
  EXPECT_EQ(PlanScans(withFactors({{2, 2}, {1, 1}, {1, 1}})), (std::vector<ScanGroup>{{0, 1, 2}}));
  EXPECT_EQ(PlanScans(withFactors({{1, 1}})), (std::vector<ScanGroup>{{0}}));
  EXPECT_EQ(PlanScans(withFactors({{4, 4}, {1, 1}, {1, 1}})), (std::vector<ScanGroup>{{0}, {1, 2}}));
  EXPECT_EQ(PlanScans(withFactors({{4, 2}, {1, 1}, {1, 1}})), (std::vector<ScanGroup>{{0, 1, 2}}));
  EXPECT_EQ(PlanScans(withFactors({{4, 2}, {2, 1}, {1, 1}})), (std::vector<ScanGroup>{{0, 1}, {2}}));
  EXPECT_EQ(PlanScans(withFactors({{4, 4}, {4, 4}, {1, 1}})), (std::vector<ScanGroup>{{0}, {1}, {2}}));
  EXPECT_EQ(PlanScans(withFactors({{1, 1}, {4, 4}, {1, 1}})), (std::vector<ScanGroup>{{0}, {1}, {2}}));
  EXPECT_EQ(PlanScans(withFactors({{3, 3}, {1, 1}, {1, 1}})), (std::vector<ScanGroup>{{0, 1}, {2}}));
}

// The walk of an interleaved scan as the coder's row pointers describe it: one pointer per block
// row of the MCU row, moving on by a block for each stored block; dummy blocks where the last MCU
// column has no stored block column or the last MCU row's pointer is past the end.
std::vector<std::pair<std::size_t, std::int64_t>> pointerWalk(const McuGrid& grid,
                                                              const std::vector<BlockGrid>& group) {
  struct State {
    std::vector<std::int64_t> rowPointer;
    std::int64_t step, lastColumns, size;
  };
  std::vector<State> states;
  for (const BlockGrid& c : group) {
    State s;
    for (int b = 0; b < c.v; ++b) s.rowPointer.push_back(std::int64_t{b} * c.blocksPerRow * 64);
    s.step = std::int64_t{c.v - 1} * c.blocksPerRow * 64;
    s.lastColumns = c.blocksPerRow % c.h == 0 ? c.h : c.blocksPerRow % c.h;
    s.size = c.blockCount() * 64;
    states.push_back(s);
  }
  std::vector<std::pair<std::size_t, std::int64_t>> visits;
  for (int row = 0; row < grid.rows; ++row) {
    for (int column = 0; column < grid.columns; ++column) {
      for (std::size_t g = 0; g < group.size(); ++g) {
        for (int b = 0; b < group[g].v; ++b) {
          for (int m = 0; m < group[g].h; ++m) {
            State& s = states[g];
            bool dummy = (column == grid.columns - 1 && m >= s.lastColumns) ||
                         (row == grid.rows - 1 && s.rowPointer[b] >= s.size);
            visits.push_back({g, dummy ? -1 : s.rowPointer[b]});
            if (!dummy) s.rowPointer[b] += 64;
          }
        }
      }
    }
    if (row < grid.rows - 1)
      for (State& s : states)
        for (std::int64_t& p : s.rowPointer) p += s.step;
  }
  return visits;
}

struct Sampled {
  ComponentSetup setup;
  ScanSource source;
  std::vector<BlockGrid> grids;
};

Sampled sampledSetup(int width, int height, std::array<int, 6> f) {
  Sampled s;
  s.setup = SetSamplingFrequencies(f[0], f[1], f[2], f[3], f[4], f[5]);
  for (ComponentRecord& c : s.setup.Components) {
    ComponentGeometry g = componentGeometry(width, height, c.H, c.V, s.setup.HMax, s.setup.VMax);
    c.Coefficients.assign(g.coefficientCount(), 0);
  }
  s.source = {&s.setup, width, height};
  for (int i = 0; i < s.setup.ComponentCount; ++i) s.grids.push_back(blockGridOf(s.source, i));
  return s;
}

TEST(McuWalk, MatchesTheRowPointerDescription) {
  const std::vector<std::array<int, 6>> factorSets = {
      {2, 2, 1, 1, 1, 1}, {1, 1, 1, 1, 1, 1}, {2, 1, 1, 1, 1, 1}, {1, 2, 1, 1, 1, 1}, {3, 1, 1, 1, 1, 1},
      {4, 2, 1, 1, 1, 1}, {3, 2, 2, 1, 1, 1}, {1, 1, 2, 2, 1, 1}, {4, 3, 3, 2, 2, 1}};
  const std::vector<std::pair<int, int>> sizes = {{1, 1},  {7, 5},   {17, 9}, {33, 17},
                                                  {50, 3}, {13, 40}, {64, 64}};
  for (const auto& f : factorSets) {
    for (auto [width, height] : sizes) {
      Sampled s = sampledSetup(width, height, f);
      McuGrid grid = mcuGrid(s.source);
      std::vector<std::pair<std::size_t, std::int64_t>> walked;
      forEachMcuBlock(grid, s.grids, [&](std::size_t g, const std::int16_t* block) {
        walked.push_back({g, block ? block - s.grids[g].coefficients : -1});
      });
      ASSERT_EQ(walked, pointerWalk(grid, s.grids)) << width << "x" << height << " factors " << f[0] << f[1];
      // Every stored block is visited exactly once.
      std::size_t stored = 0;
      for (auto& [g, offset] : walked) stored += offset >= 0;
      std::size_t total = 0;
      for (const BlockGrid& c : s.grids) total += static_cast<std::size_t>(c.blockCount());
      EXPECT_EQ(stored, total);
    }
  }
}

TEST(McuWalk, SecondMcuOf17x9HasTwoDummyLuminanceBlocks) {
  Sampled s = sampledSetup(17, 9, {2, 2, 1, 1, 1, 1});
  McuGrid grid = mcuGrid(s.source);
  EXPECT_EQ(grid.columns, 2);
  EXPECT_EQ(grid.rows, 1);
  EXPECT_EQ(s.grids[0].blocksPerRow, 3);
  EXPECT_EQ(s.grids[0].blockRows, 2);
  EXPECT_EQ(s.grids[1].blocksPerRow, 2);
  EXPECT_EQ(s.grids[1].blockRows, 1);
  std::vector<std::pair<std::size_t, std::int64_t>> walked;
  forEachMcuBlock(grid, s.grids, [&](std::size_t g, const std::int16_t* block) {
    walked.push_back({g, block ? (block - s.grids[g].coefficients) / 64 : -1});
  });
  const std::vector<std::pair<std::size_t, std::int64_t>> expected = {
      {0, 0}, {0, 1},  {0, 3}, {0, 4},  {1, 0}, {2, 0},   // first MCU: all stored
      {0, 2}, {0, -1}, {0, 5}, {0, -1}, {1, 1}, {2, 1}};  // second: Y column 3 is a dummy
  EXPECT_EQ(walked, expected);
}

TEST(SymbolCounts, DummyBlocksCountCategoryZeroAndAnEndOfBlock) {
  Sampled s = sampledSetup(17, 9, {2, 2, 1, 1, 1, 1});
  ComponentRecord& y = s.setup.Components[0];
  for (std::size_t b = 0; b < 6; ++b) y.Coefficients[b * 64] = static_cast<std::int16_t>(10 * (b + 1));
  y.Coefficients[5 * 64 + 1] = 1;  // the last block has one AC value: no end-of-block
  y.Coefficients[5 * 64 + 2] = 1;
  for (int i = 3; i < 64; ++i) y.Coefficients[5 * 64 + i] = 1;
  BlockGrid grid = blockGridOf(s.source, 0);
  McuGrid mcu = mcuGrid(s.source);

  SymbolCounts single{}, interleaved{};
  CountDcSymbols(grid, single);
  CountDcSymbolsInterleaved(mcu, grid, interleaved);
  // Storage order: 10, 20, 30, 40, 50, 60: differences 10 then five times 10.
  EXPECT_EQ(single[4], 6);
  // MCU order: 10 20 40 50 | 30 dummy 60 dummy: differences 10, 10, 20, 10, -20, (0), 30, (0).
  EXPECT_EQ(interleaved[4], 3);
  EXPECT_EQ(interleaved[5], 3);
  EXPECT_EQ(interleaved[0], 2);

  SymbolCounts ac{}, acInterleaved{};
  CountAcSymbols(grid, nullptr, ac);
  CountAcSymbols(grid, &mcu, acInterleaved);
  EXPECT_EQ(ac[0x00], 5);
  EXPECT_EQ(ac[0x01], 63);
  EXPECT_EQ(acInterleaved[0x00], 7);
}

}  // namespace
}  // namespace lumivex
