// How the components are coded: which scans there are, and in what order an interleaved scan
// visits the blocks of its components (MCU by MCU), including the dummy blocks that complete an
// MCU beyond a component's stored blocks.
#pragma once

#include <cstdint>
#include <vector>

#include "encoder/sampling.h"

namespace lumivex {

// Component indices of one scan: one for a non-interleaved scan, two or three for an interleaved one.
using ScanGroup = std::vector<int>;

// Groups the components in index order so that no interleaved MCU holds more than 10 blocks.
std::vector<ScanGroup> PlanScans(const std::vector<ComponentRecord>& components);

// What the scans read: the components and the image size they were sampled at.
struct ScanSource {
  const ComponentSetup* setup = nullptr;
  std::int32_t imageWidth = 0;
  std::int32_t imageHeight = 0;
};

// The table each component uses, by component index.
struct TableLists {
  std::vector<int> dc;
  std::vector<int> ac;
};

// The first component uses tables 0, every other component tables 1.
TableLists defaultTableLists(std::int32_t componentCount);

struct McuGrid {
  std::int32_t columns = 0;
  std::int32_t rows = 0;
};

// MCUs across and down an interleaved scan: the image size over 8 * HMax and 8 * VMax, rounded up.
McuGrid mcuGrid(const ScanSource& source);

// A component's stored blocks as a grid.
struct BlockGrid {
  const std::int16_t* coefficients = nullptr;
  std::int32_t h = 1;
  std::int32_t v = 1;
  std::int32_t blocksPerRow = 0;
  std::int32_t blockRows = 0;

  std::int64_t blockCount() const { return std::int64_t{blocksPerRow} * blockRows; }
  const std::int16_t* block(std::int64_t index) const { return coefficients + index * 64; }
};

// The grid of component `index`; raises the subscript error when the component holds no
// coefficients for the image size (nothing was sampled).
BlockGrid blockGridOf(const ScanSource& source, int index);

// Calls visit(position in group, block) for every block of every MCU in coding order: MCU rows
// from the top, MCUs from the left, the group's components in order, each component's V block
// rows and H block columns. `block` is null for a dummy block, one beyond the component's stored
// blocks (components are padded to whole blocks, not to whole MCUs).
template <typename Visit>
void forEachMcuBlock(const McuGrid& grid, const std::vector<BlockGrid>& group, Visit&& visit) {
  for (std::int32_t mcuRow = 0; mcuRow < grid.rows; ++mcuRow) {
    for (std::int32_t mcuColumn = 0; mcuColumn < grid.columns; ++mcuColumn) {
      for (std::size_t g = 0; g < group.size(); ++g) {
        const BlockGrid& c = group[g];
        for (std::int32_t b = 0; b < c.v; ++b) {
          std::int32_t row = mcuRow * c.v + b;
          for (std::int32_t m = 0; m < c.h; ++m) {
            std::int32_t column = mcuColumn * c.h + m;
            bool stored = row < c.blockRows && column < c.blocksPerRow;
            visit(g, stored ? c.block(std::int64_t{row} * c.blocksPerRow + column) : nullptr);
          }
        }
      }
    }
  }
}

}  // namespace lumivex
