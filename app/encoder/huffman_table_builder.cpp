// Optimal Huffman code lengths after ITU-T T.81 Annex K.2 (figures K.1 to K.4).
#include <algorithm>
#include <array>

#include "encoder/huffman_table.h"

namespace lumivex {

namespace {

constexpr int kSymbols = 257;
constexpr int kNoSymbol = -1;

// The symbol with the smallest non-zero count, other than `excluded`; among equal counts the
// highest-numbered one, so that the reserved symbol 256 is merged first and ends up with the
// longest code.
using WideCounts = std::array<std::int64_t, kSymbols>;  // merged counts may exceed 32 bits

int smallestCount(const WideCounts& counts, int excluded) {
  int found = kNoSymbol;
  std::int64_t best = 0;
  for (int s = 0; s < kSymbols; ++s) {
    if (counts[s] == 0 || s == excluded) continue;
    if (found == kNoSymbol || counts[s] <= best) {
      found = s;
      best = counts[s];
    }
  }
  return found;
}

// Figure K.1: code sizes by repeatedly merging the two least frequent subtrees. The chains link
// the symbols of one subtree so that all of them lengthen together.
std::array<int, kSymbols> codeSizes(const SymbolCounts& symbolCounts) {
  WideCounts counts;
  std::copy(symbolCounts.begin(), symbolCounts.end(), counts.begin());
  std::array<int, kSymbols> size{};
  std::array<int, kSymbols> next;
  next.fill(kNoSymbol);
  for (;;) {
    int x = smallestCount(counts, kNoSymbol);
    int y = smallestCount(counts, x);
    if (y == kNoSymbol) break;
    counts[x] += counts[y];
    counts[y] = 0;
    ++size[x];
    while (next[x] != kNoSymbol) {
      x = next[x];
      ++size[x];
    }
    next[x] = y;
    ++size[y];
    while (next[y] != kNoSymbol) {
      y = next[y];
      ++size[y];
    }
  }
  return size;
}

}  // namespace

void BuildOptimalTable(SymbolCounts& counts, HuffTable& table) {
  counts[kReservedSymbol] = 1;  // keeps a code of all 1-bits out of use
  std::array<int, kSymbols> size = codeSizes(counts);
  counts.fill(0);  // the merging leaves every count at 0; the next table starts from there

  // Figure K.2: codes per length. 257 symbols cannot make a code longer than 256 bits.
  std::array<int, kSymbols + 1> bits{};
  int largest = 0;
  for (int s = 0; s < kSymbols; ++s) {
    if (size[s] == 0) continue;
    ++bits[size[s]];
    largest = std::max(largest, size[s]);
  }

  // Figure K.3: move codes longer than 16 bits up the tree. Each step takes a pair of the longest
  // codes, gives one of them a shorter prefix and splits a shorter code j into two of length j + 1.
  for (int i = largest; i > 16; --i) {
    while (bits[i] > 0) {
      int j = i - 2;
      while (j > 1 && bits[j] == 0) --j;
      bits[i] -= 2;
      bits[i - 1] += 1;
      bits[j + 1] += 2;
      bits[j] -= 1;
    }
  }
  if (largest > 0) --bits[std::min(largest, 16)];  // give up the reserved symbol's code

  for (int length = 1; length <= 16; ++length)
    table.Bits[length - 1] = static_cast<std::uint8_t>(bits[length]);

  // Figure K.4: symbols in order of their code size before the limiting, then by value.
  table.HuffVal.fill(0);
  int k = 0;
  for (int length = 1; length <= largest; ++length)
    for (int s = 0; s < 256; ++s)
      if (size[s] == length) table.HuffVal[k++] = static_cast<std::uint8_t>(s);
}

}  // namespace lumivex
