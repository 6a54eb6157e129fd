// The memory a photo's decoder takes beyond what every photo takes: a progressive JPEG file is
// decoded from a buffer of all its coefficients (two bytes for each of the 64 of every 8 x 8 block
// of every component), which libjpeg holds for the whole decode; a 36-megapixel progressive photo
// needs over 100 MB of it. Baseline files and the other formats are decoded a few rows at a time.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace lumivex {

// From the file's start: the coefficient buffer of a progressive JPEG, else 0. A file that cannot
// be read or is not a JPEG file also gives 0: its load says what is wrong with it.
std::int64_t DecoderMemoryBytes(const std::string& path);

// The same from the file's first bytes.
std::int64_t DecoderMemoryBytes(std::span<const std::uint8_t> start);

}  // namespace lumivex
