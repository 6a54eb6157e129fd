// The bit writer of the entropy-coded data: bits go out most significant first, and every byte
// 0xFF is followed by a stuffed 0x00 (T.81 F.1.2.3) so that coded data never looks like a marker.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lumivex {

// Bits wait right-aligned in `pending` and leave it 32 at a time for a small staging area, which
// is appended to the output when nearly full and by FlushBits. The output grows as needed, so
// stuffing can never run past a precomputed size.
struct BitWriter {
  static constexpr std::size_t kStageSize = 4096;

  explicit BitWriter(std::vector<std::uint8_t>& output) : out(output) {}
  std::vector<std::uint8_t>& out;
  std::uint64_t pending = 0;
  int pendingCount = 0;  // 0..31 between calls
  std::size_t stagedCount = 0;
  std::uint8_t staged[kStageSize];
};

// Starts an empty byte.
void ResetBitWriter(BitWriter& writer);

// Moves the staged bytes to the output.
void drainStage(BitWriter& writer);

// Stages one byte, and the stuffed 0x00 after a 0xFF.
inline void stageByte(BitWriter& writer, std::uint8_t byte) {
  writer.staged[writer.stagedCount++] = byte;
  if (byte == 0xFF) writer.staged[writer.stagedCount++] = 0x00;
}

// The oldest 32 pending bits as four bytes, stuffed where a byte is 0xFF.
inline void stageWord(BitWriter& writer) {
  if (writer.stagedCount > BitWriter::kStageSize - 8) drainStage(writer);
  writer.pendingCount -= 32;
  auto word = static_cast<std::uint32_t>(writer.pending >> writer.pendingCount);
  std::uint32_t inverted = ~word;  // a 0xFF byte of the word is a zero byte here
  bool anyFF = ((inverted - 0x01010101u) & ~inverted & 0x80808080u) != 0;
  if (anyFF) {
    for (int shift = 24; shift >= 0; shift -= 8) stageByte(writer, static_cast<std::uint8_t>(word >> shift));
    return;
  }
  std::uint8_t* p = writer.staged + writer.stagedCount;
  p[0] = static_cast<std::uint8_t>(word >> 24);
  p[1] = static_cast<std::uint8_t>(word >> 16);
  p[2] = static_cast<std::uint8_t>(word >> 8);
  p[3] = static_cast<std::uint8_t>(word);
  writer.stagedCount += 4;
}

// Appends the low `count` bits of `value` (count 0..32), most significant first.
inline void putBits(BitWriter& writer, std::uint32_t value, int count) {
  std::uint64_t bits = value & ((std::uint64_t{1} << count) - 1);
  writer.pending = (writer.pending << count) | bits;
  writer.pendingCount += count;
  if (writer.pendingCount >= 32) stageWord(writer);
}

// The bits of `value` from bit `mask` (a power of two) down to bit 0; a mask of 0 writes nothing.
// Codes are written with mask = CodeMask and value = Code.
void WriteBits(BitWriter& writer, std::int32_t mask, std::int32_t value);

// Completes the last byte with 1-bits (stuffed like any other byte if it becomes 0xFF) and moves
// everything to the output.
void FlushBits(BitWriter& writer);

}  // namespace lumivex
