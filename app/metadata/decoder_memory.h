// The memory a photo's decoder takes beyond what every photo takes: a progressive JPEG file is
// decoded from a buffer of all its coefficients (two bytes for each of the 64 of every 8 x 8 block
// of every component), which libjpeg holds for the whole decode; a 36-megapixel progressive photo
// needs over 100 MB of it. Baseline files and the other formats are decoded a few rows at a time.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace lumivex {

// How much of a JPEG file's start holds its frame header in any file a camera or editor writes.
inline constexpr std::size_t kDecoderHeaderBytes = std::size_t{512} << 10;

// From the file's first bytes: the coefficient buffer of a progressive JPEG, else 0. A file that
// is not a JPEG file, or whose frame header lies further in, also gives 0: its load says what is
// wrong with it.
std::int64_t DecoderMemoryBytes(std::span<const std::uint8_t> start);

}  // namespace lumivex
