// What a BMP file's headers say of its pixels: the size and row order, how pixels are coded
// (bits, compression, the channel masks of bit-field files) and the colour table. Every header
// kind is read into this one shape: OS/2 1.x (12 bytes, three-byte colour entries), OS/2 2.x
// (16 to 64 bytes), Windows 3 (40 bytes, masks after it) and its 52 and 56-byte extensions, V4
// (108 bytes) and V5 (124 bytes, its colour profile ignored).
#pragma once

#include <array>
#include <cstdint>

#include "picture/load_cause.h"
#include "readers/byte_cursor.h"

namespace corvale {

enum class BmpCoding { kPalette, kBitFields, kRgb24, kRle8, kRle4 };

struct BmpLayout {
  std::uint32_t dataOffset = 0;
  std::uint32_t infoSize = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;  // rows as stored; positive even for top-down files
  bool topDown = false;
  std::uint16_t bitCount = 0;
  std::uint32_t compression = 0;
  BmpCoding coding = BmpCoding::kRgb24;
  // Red, green, blue and alpha masks of bit-field coded pixels (16 and 32 bits); alpha 0 is opaque.
  std::array<std::uint32_t, 4> masks{};
  // Blue, green, red and the entry's fourth byte; entries the file does not give are black.
  std::array<std::array<std::uint8_t, 4>, 256> palette{};
};

// Reads the headers, the masks and the colour table, and leaves `in` where the pixels start: at
// the pixel data offset when that lies after the tables, else right after them. Refuses
// (kNotAnImage, kTruncated, kUnsupported, kDamaged) what cannot be read.
LoadOutcome readBmpLayout(ByteCursor& in, BmpLayout& layout);

}  // namespace corvale
