// Huffman tables made for one image: the symbols of every table the scans use are counted, the
// optimal tables built and expanded, and the coded size estimated.
#pragma once

#include <cstdint>

#include "encoder/entropy_coder.h"
#include "encoder/scan_plan.h"

namespace lumivex {

// Builds every DC and AC table that `lists` assigns to a component; returns the estimated size
// of the coded data in bytes (codes and extra bits, without stuffing), rounded up.
std::int64_t OptimizeTables(const ScanSource& source, const TableLists& lists, HuffTables& tables);

}  // namespace lumivex
