// Expansion of a DHT table into per-symbol codes (T.81 Annex C, figures C.1 to C.3), checking
// that the table is a usable prefix code.
#include "encoder/encoder_error.h"
#include "encoder/huffman_table.h"

namespace lumivex {

void ExpandHuffTable(HuffTable& table, int largestSymbol) {
  table.CodeMask.fill(0);
  table.Code.fill(-1);
  std::int32_t nextCode = 0;
  int taken = 0;
  for (int length = 1; length <= 16; ++length) {
    int n = table.Bits[length - 1];
    if (taken + n > 256) raiseEncoderError(kBadHuffmanTable);
    for (int i = 0; i < n; ++i) {
      int s = table.HuffVal[taken++];
      if (s > largestSymbol || table.Code[s] != -1) raiseEncoderError(kBadHuffmanTable);
      table.CodeMask[s] = std::int32_t{1} << (length - 1);
      table.Code[s] = nextCode++;
    }
    // More codes than this length has room for: the table is not a prefix code.
    if (nextCode >= (std::int32_t{1} << length)) raiseEncoderError(kBadHuffmanTable);
    nextCode *= 2;
  }
  if (taken == 0) raiseEncoderError(kBadHuffmanTable);
}

}  // namespace lumivex
