// Two passes over the coefficients: this one gathers the statistics, in the same block order as
// the coder, and builds the tables the coder will use.
#include "encoder/table_optimizer.h"

#include "encoder/symbol_counts.h"

namespace lumivex {

namespace {

struct ComponentUse {
  std::vector<bool> interleaved;  // by component: part of a scan of two or more components
  std::array<bool, 4> dcUsed{};
  std::array<bool, 4> acUsed{};
};

ComponentUse componentUse(const ScanSource& source, const TableLists& lists) {
  ComponentUse use;
  use.interleaved.assign(source.setup->Components.size(), false);
  for (const ScanGroup& group : PlanScans(source.setup->Components)) {
    for (int component : group) {
      auto i = static_cast<std::size_t>(component);
      use.interleaved[i] = group.size() > 1;
      use.dcUsed[static_cast<std::size_t>(lists.dc[i])] = true;
      use.acUsed[static_cast<std::size_t>(lists.ac[i])] = true;
    }
  }
  return use;
}

// Builds and expands the table from the counts and returns the bits its symbols will take: each
// code plus the extra bits its symbol announces.
template <typename ExtraBits>
std::int64_t buildTable(SymbolCounts& counts, HuffTable& table, int largestSymbol, ExtraBits extraBits) {
  const SymbolCounts kept = counts;  // the builder uses the counts up
  BuildOptimalTable(counts, table);
  ExpandHuffTable(table, largestSymbol);
  std::int64_t bits = 0;
  for (int s = 0; s < 256; ++s)
    if (kept[s] != 0) bits += std::int64_t{kept[s]} * (codeLength(table, s) + extraBits(s));
  return bits;
}

}  // namespace

std::int64_t OptimizeTables(const ScanSource& source, const TableLists& lists, HuffTables& tables) {
  const ComponentUse use = componentUse(source, lists);
  const McuGrid grid = mcuGrid(source);
  const std::size_t componentCount = source.setup->Components.size();
  SymbolCounts counts{};
  std::int64_t bits = 0;
  for (int k = 0; k < 4; ++k) {
    const auto table = static_cast<std::size_t>(k);
    if (use.dcUsed[table]) {
      counts.fill(0);
      for (std::size_t i = 0; i < componentCount; ++i) {
        if (lists.dc[i] != k) continue;
        BlockGrid component = blockGridOf(source, static_cast<int>(i));
        if (use.interleaved[i])
          CountDcSymbolsInterleaved(grid, component, counts);
        else
          CountDcSymbols(component, counts);
      }
      bits += buildTable(counts, tables.dc[table], kLargestDcSymbol, [](int s) { return s; });
    }
    if (use.acUsed[table]) {
      counts.fill(0);
      for (std::size_t i = 0; i < componentCount; ++i) {
        if (lists.ac[i] != k) continue;
        CountAcSymbols(blockGridOf(source, static_cast<int>(i)), use.interleaved[i] ? &grid : nullptr,
                       counts);
      }
      bits += buildTable(counts, tables.ac[table], kLargestAcSymbol, [](int s) { return s % 16; });
    }
  }
  return (bits + 7) / 8;
}

}  // namespace lumivex
