// The bit writer of the entropy-coded data: bits go out most significant first, and every byte
// 0xFF is followed by a stuffed 0x00 (T.81 F.1.2.3) so that coded data never looks like a marker.
#pragma once

#include <cstdint>
#include <vector>

namespace lumivex {

// Pending bits wait right-aligned in `pending` until they make a whole byte; the output grows as
// needed, so stuffing can never run past a precomputed size.
struct BitWriter {
  explicit BitWriter(std::vector<std::uint8_t>& output) : out(output) {}
  std::vector<std::uint8_t>& out;
  std::uint64_t pending = 0;
  int pendingCount = 0;  // 0..7 between calls
};

// Starts an empty byte.
void ResetBitWriter(BitWriter& writer);

// Appends the low `count` bits of `value` (count 0..32), most significant first.
inline void putBits(BitWriter& writer, std::uint32_t value, int count) {
  if (count == 0) return;
  std::uint64_t bits = value & ((std::uint64_t{1} << count) - 1);
  writer.pending = (writer.pending << count) | bits;
  writer.pendingCount += count;
  while (writer.pendingCount >= 8) {
    writer.pendingCount -= 8;
    auto byte = static_cast<std::uint8_t>(writer.pending >> writer.pendingCount);
    writer.out.push_back(byte);
    if (byte == 0xFF) writer.out.push_back(0x00);
  }
}

// The bits of `value` from bit `mask` (a power of two) down to bit 0; a mask of 0 writes nothing.
// Codes are written with mask = CodeMask and value = Code.
void WriteBits(BitWriter& writer, std::int32_t mask, std::int32_t value);

// Completes the last byte with 1-bits (stuffed like any other byte if it becomes 0xFF).
void FlushBits(BitWriter& writer);

}  // namespace lumivex
