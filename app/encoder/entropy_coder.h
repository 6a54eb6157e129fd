// Huffman coding of the quantized blocks into scans (T.81 F.1.2): DC differences against the
// previous block of the same component, AC coefficients as run/size symbols.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "encoder/bit_writer.h"
#include "encoder/huffman_table.h"
#include "encoder/scan_plan.h"

namespace lumivex {

struct HuffTables {
  std::array<HuffTable, 4> dc;
  std::array<HuffTable, 4> ac;
};

// Codes one block of 64 coefficients (zig-zag order) and sets `prediction` to its DC value.
void EncodeBlock(BitWriter& writer, const std::int16_t* block, std::int32_t& prediction, const HuffTable& dc,
                 const HuffTable& ac);

// One scan of one component: header, then every stored block in storage order.
void WriteSingleScan(std::vector<std::uint8_t>& out, const ScanSource& source, int component,
                     const TableLists& lists, const HuffTables& tables);

// One scan of two or three components, MCU by MCU, with dummy blocks (DC difference 0 and an
// end-of-block) where an MCU reaches beyond a component's stored blocks.
void WriteInterleavedScan(std::vector<std::uint8_t>& out, const ScanSource& source, const ScanGroup& group,
                          const TableLists& lists, const HuffTables& tables);

// Every scan of the scan plan, in order.
void WriteScans(std::vector<std::uint8_t>& out, const ScanSource& source, const TableLists& lists,
                const HuffTables& tables);

}  // namespace lumivex
