// The scan plan and the geometry of interleaved scans.
#include "encoder/scan_plan.h"

#include "encoder/encoder_error.h"

namespace lumivex {

namespace {

// T.81 B.2.3: an MCU of an interleaved scan holds at most 10 blocks.
constexpr std::int32_t kMaxBlocksPerMcu = 10;
constexpr std::size_t kMaxComponentsPerScan = 3;

}  // namespace

std::vector<ScanGroup> PlanScans(const std::vector<ComponentRecord>& components) {
  std::vector<ScanGroup> groups;
  ScanGroup current;
  std::int32_t blocks = 0;
  for (std::size_t i = 0; i < components.size(); ++i) {
    const int index = static_cast<int>(i);
    std::int32_t own = components[i].H * components[i].V;
    blocks += own;
    if (blocks <= kMaxBlocksPerMcu) {
      current.push_back(index);
      if (current.size() == kMaxComponentsPerScan) {
        groups.push_back(current);
        current.clear();
        blocks = 0;
      }
    } else if (current.empty()) {
      groups.push_back({index});  // too many blocks to share an MCU: a scan of its own
      blocks = 0;
    } else {
      groups.push_back(current);
      current = {index};
      blocks = own;
    }
  }
  if (!current.empty()) groups.push_back(current);
  return groups;
}

TableLists defaultTableLists(std::int32_t componentCount) {
  TableLists lists;
  for (std::int32_t i = 0; i < componentCount; ++i) {
    lists.dc.push_back(i == 0 ? 0 : 1);
    lists.ac.push_back(i == 0 ? 0 : 1);
  }
  return lists;
}

McuGrid mcuGrid(const ScanSource& source) {
  const std::int64_t mcuWidth = 8 * std::int64_t{source.setup->HMax};
  const std::int64_t mcuHeight = 8 * std::int64_t{source.setup->VMax};
  return {static_cast<std::int32_t>((source.imageWidth + mcuWidth - 1) / mcuWidth),
          static_cast<std::int32_t>((source.imageHeight + mcuHeight - 1) / mcuHeight)};
}

BlockGrid blockGridOf(const ScanSource& source, int index) {
  const ComponentSetup& setup = *source.setup;
  if (index < 0 || static_cast<std::size_t>(index) >= setup.Components.size()) raiseSubscriptOutOfRange();
  const ComponentRecord& c = setup.Components[static_cast<std::size_t>(index)];
  if (source.imageWidth <= 0 || source.imageHeight <= 0) raiseSubscriptOutOfRange();
  ComponentGeometry g =
      componentGeometry(source.imageWidth, source.imageHeight, c.H, c.V, setup.HMax, setup.VMax);
  if (c.Coefficients.empty() || c.Coefficients.size() != g.coefficientCount()) raiseSubscriptOutOfRange();
  return {c.Coefficients.data(), c.H, c.V, g.blocksPerRow(), g.blockRows()};
}

}  // namespace lumivex
