// Bit writer entry points that are not on the per-symbol path.
#include "encoder/bit_writer.h"

#include <bit>

namespace lumivex {

void ResetBitWriter(BitWriter& writer) {
  drainStage(writer);
  writer.pending = 0;
  writer.pendingCount = 0;
}

void drainStage(BitWriter& writer) {
  writer.out.insert(writer.out.end(), writer.staged, writer.staged + writer.stagedCount);
  writer.stagedCount = 0;
}

void WriteBits(BitWriter& writer, std::int32_t mask, std::int32_t value) {
  if (mask <= 0) return;
  int count = std::bit_width(static_cast<std::uint32_t>(mask));
  putBits(writer, static_cast<std::uint32_t>(value), count);
}

void FlushBits(BitWriter& writer) {
  if (writer.stagedCount > BitWriter::kStageSize - 8) drainStage(writer);
  int fill = (8 - writer.pendingCount % 8) % 8;
  writer.pending = (writer.pending << fill) | ((std::uint64_t{1} << fill) - 1);
  writer.pendingCount += fill;
  while (writer.pendingCount >= 8) {
    writer.pendingCount -= 8;
    stageByte(writer, static_cast<std::uint8_t>(writer.pending >> writer.pendingCount));
  }
  drainStage(writer);
}

}  // namespace lumivex
