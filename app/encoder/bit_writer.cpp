// Bit writer entry points that are not on the per-symbol path.
#include "encoder/bit_writer.h"

#include <bit>

namespace lumivex {

void ResetBitWriter(BitWriter& writer) {
  writer.pending = 0;
  writer.pendingCount = 0;
}

void WriteBits(BitWriter& writer, std::int32_t mask, std::int32_t value) {
  if (mask <= 0) return;
  int count = std::bit_width(static_cast<std::uint32_t>(mask));
  putBits(writer, static_cast<std::uint32_t>(value), count);
}

void FlushBits(BitWriter& writer) {
  if (writer.pendingCount == 0) return;
  int fill = 8 - writer.pendingCount;
  putBits(writer, (1u << fill) - 1, fill);
}

}  // namespace lumivex
