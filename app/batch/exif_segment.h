// Finds the Exif APP1 segment of a JPEG file: the first APP1 whose payload starts with "Exif"
// and two zero bytes, among the segments before the first start-of-scan. Camera files put it
// first; files that went through an editor usually have a JFIF APP0 segment before it.
// A PNG or WebP file (known by its signature) gives its Exif chunk instead, as the same block.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lumivex {

struct ExifSegmentSearch {
  enum class Outcome { NotJpeg, NoExifSegment, Found, ReadError };
  Outcome outcome = Outcome::NotJpeg;
  std::vector<std::uint8_t> payload;  // the APP1 payload when found
  std::string errorText;              // the system's description of a read error
};

ExifSegmentSearch FindExifSegment(const std::string& path);

}  // namespace lumivex
