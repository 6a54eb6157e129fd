// Symbol statistics for the optimal Huffman tables.
#include "encoder/symbol_counts.h"

#include <bit>

#include "encoder/coefficient_mask.h"

namespace lumivex {

namespace {

constexpr int kEndOfBlock = 0x00;
constexpr int kZeroRun16 = 0xF0;

void countAcOfBlock(const std::int16_t* block, SymbolCounts& counts) {
  std::uint64_t nonZero = nonZeroMask(block) & ~std::uint64_t{1};
  int previous = 0;
  while (nonZero != 0) {
    int k = std::countr_zero(nonZero);
    nonZero &= nonZero - 1;
    int run = k - previous - 1;
    for (; run > 15; run -= 16) ++counts[kZeroRun16];
    ++counts[run * 16 + magnitudeCategory(block[k])];
    previous = k;
  }
  if (previous < 63) ++counts[kEndOfBlock];
}

}  // namespace

void CountDcSymbols(const BlockGrid& component, SymbolCounts& counts) {
  std::int32_t prediction = 0;
  for (std::int64_t i = 0; i < component.blockCount(); ++i) {
    std::int32_t dc = component.block(i)[0];
    ++counts[magnitudeCategory(dc - prediction)];
    prediction = dc;
  }
}

void CountDcSymbolsInterleaved(const McuGrid& grid, const BlockGrid& component, SymbolCounts& counts) {
  std::int32_t prediction = 0;
  forEachMcuBlock(grid, {component}, [&](std::size_t, const std::int16_t* block) {
    if (!block) {
      ++counts[0];
      return;
    }
    ++counts[magnitudeCategory(block[0] - prediction)];
    prediction = block[0];
  });
}

void CountAcSymbols(const BlockGrid& component, const McuGrid* interleaved, SymbolCounts& counts) {
  for (std::int64_t i = 0; i < component.blockCount(); ++i) countAcOfBlock(component.block(i), counts);
  if (!interleaved) return;
  forEachMcuBlock(*interleaved, {component}, [&](std::size_t, const std::int16_t* block) {
    if (!block) ++counts[kEndOfBlock];
  });
}

}  // namespace lumivex
