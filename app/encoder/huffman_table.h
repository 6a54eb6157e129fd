// Huffman tables: the DHT form (counts per code length and symbols in code order) and the codes
// expanded from it, plus the symbol statistics they are built from.
#pragma once

#include <array>
#include <bit>
#include <cstdint>

namespace lumivex {

struct HuffTable {
  std::array<std::uint8_t, 16> Bits{};       // number of codes of length 1..16
  std::array<std::uint8_t, 256> HuffVal{};   // symbols in code order; the first sum(Bits) count
  std::array<std::int32_t, 256> CodeMask{};  // per symbol 2^(length - 1), 0 without a code
  std::array<std::int32_t, 256> Code{};      // per symbol the right-aligned code, -1 without one
};

// Occurrences of symbols 0..255 and of the reserved symbol 256.
using SymbolCounts = std::array<std::int32_t, 257>;
inline constexpr int kReservedSymbol = 256;

inline constexpr int kLargestDcSymbol = 11;
inline constexpr int kLargestAcSymbol = 255;

// Magnitude category: 0 for 0, otherwise the number of significant bits of |value|. The symbol
// counts and the coder both use this one definition, so they always agree.
inline int magnitudeCategory(std::int32_t value) {
  auto magnitude = static_cast<std::uint32_t>(value < 0 ? -static_cast<std::int64_t>(value) : value);
  return static_cast<int>(std::bit_width(magnitude));
}

// Code length of a symbol with a code.
inline int codeLength(const HuffTable& table, int symbol) {
  return std::countr_zero(static_cast<std::uint32_t>(table.CodeMask[symbol])) + 1;
}

// Optimal code lengths limited to 16 bits (T.81 Annex K.2) from the counts, into Bits and HuffVal.
// The counts are left all zero, ready for the next table.
void BuildOptimalTable(SymbolCounts& counts, HuffTable& table);

// Codes and masks from Bits and HuffVal (T.81 Annex C); a table that is not a valid prefix code
// of symbols up to `largestSymbol` raises "Bad Huffman Table".
void ExpandHuffTable(HuffTable& table, int largestSymbol);

}  // namespace lumivex
