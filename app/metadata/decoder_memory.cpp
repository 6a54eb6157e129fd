// The frame header of a JPEG file (ITU-T T.81 B.2.2), found by walking the marker segments before
// it through the bounds-checked reader.
#include "metadata/decoder_memory.h"

#include <algorithm>
#include <vector>

#include "readers/byte_cursor.h"

namespace lumivex {

namespace {

// Metadata segments before the frame header stay far below this in practice (an Exif block is
// at most 64 KB, an ICC profile a few segments of it).
constexpr int kProgressiveHuffman = 0xC2;
constexpr int kProgressiveArithmetic = 0xCA;
constexpr std::int64_t kBlockBytes = 64 * 2;

bool isFrameHeader(int marker) {
  return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

std::int64_t blocksAcross(std::int64_t length, std::int64_t sampling, std::int64_t most) {
  return (length * sampling + 8 * most - 1) / (8 * most);
}

// The coefficient buffer of the frame header whose body (after its marker and length) is at `at`.
std::int64_t coefficientBytes(const corvale::ByteCursor& bytes, std::size_t at) {
  std::uint16_t height = 0, width = 0, count = 0;
  if (!bytes.word(at + 1, height) || !bytes.word(at + 3, width) || !bytes.word(at + 4, count)) return 0;
  count &= 0xFF;  // the component count is the byte after the width
  std::int64_t mostH = 1, mostV = 1;
  std::vector<std::pair<int, int>> sampling;
  for (std::uint16_t c = 0; c < count; ++c) {
    std::uint16_t word = 0;  // the component's identifier and its sampling factors
    if (!bytes.word(at + 6 + 3 * std::size_t{c}, word)) return 0;
    sampling.emplace_back(std::max(1, (word >> 4) & 0xF), std::max(1, word & 0xF));
    mostH = std::max<std::int64_t>(mostH, sampling.back().first);
    mostV = std::max<std::int64_t>(mostV, sampling.back().second);
  }
  std::int64_t total = 0;
  for (auto [h, v] : sampling)
    total += blocksAcross(width, h, mostH) * blocksAcross(height, v, mostV) * kBlockBytes;
  return total;
}

}  // namespace

std::int64_t DecoderMemoryBytes(std::span<const std::uint8_t> start) {
  const corvale::ByteCursor bytes(start, corvale::ByteOrder::Big);
  std::uint16_t word = 0;
  if (!bytes.word(0, word) || word != 0xFFD8) return 0;
  std::size_t at = 2;
  // Each segment: 0xFF, its marker, a length that counts itself.
  while (bytes.word(at, word) && (word >> 8) == 0xFF) {
    const int marker = word & 0xFF;
    std::uint16_t length = 0;
    if (marker == 0xFF) {  // a fill byte before the marker
      ++at;
      continue;
    }
    if (!bytes.word(at + 2, length) || length < 2 || marker == 0xDA) return 0;
    if (isFrameHeader(marker))
      return marker == kProgressiveHuffman || marker == kProgressiveArithmetic
                 ? coefficientBytes(bytes, at + 4)
                 : 0;
    at += 2 + std::size_t{length};
  }
  return 0;
}

}  // namespace lumivex
