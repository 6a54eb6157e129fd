// Symbol statistics of the coefficients, gathered in exactly the order the coder will visit the
// blocks: a symbol that was never counted gets no code and could not be written.
#pragma once

#include "encoder/huffman_table.h"
#include "encoder/scan_plan.h"

namespace lumivex {

// DC difference categories of a component coded on its own, blocks in storage order.
void CountDcSymbols(const BlockGrid& component, SymbolCounts& counts);

// The same for a component of an interleaved scan, in MCU order; a dummy block counts category 0
// and leaves the prediction unchanged.
void CountDcSymbolsInterleaved(const McuGrid& grid, const BlockGrid& component, SymbolCounts& counts);

// Run/size symbols of the AC coefficients, with 0xF0 for every run of 16 zeros followed by a
// non-zero value and 0x00 for a block that ends in zeros. With an MCU grid (the component is
// interleaved), each dummy block adds one more 0x00.
void CountAcSymbols(const BlockGrid& component, const McuGrid* interleaved, SymbolCounts& counts);

}  // namespace lumivex
