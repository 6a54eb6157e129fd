// The Exif block (APP1 payload) of one JPEG source: found among the segments before the scan,
// read for the orientation tag, changed in place and handed whole to the encoder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lumivex {

class CExif {
 public:
  // Takes the payload of the first APP1 segment that starts with "Exif\0\0" among the segments
  // before the first start-of-scan. False for a file that does not start with SOI (the held
  // block stays), and for a JPEG without such a segment (the block becomes one zero byte). A file
  // that cannot be read shows a notice and answers false.
  bool LoadFromJPEG(const std::string& path);

  // The value of `field` in IFD0 as decimal text; empty when the block holds no such entry or is
  // too short or malformed. The last matching entry wins.
  std::string getField(int field);

  // Writes `value` as the least significant byte of the value of every IFD0 entry with tag
  // `field`. The block's size and layout never change; a malformed block is left as it is.
  void setField(int field, std::uint8_t value);

  // A copy of the block: the "Exif\0\0" identifier first, no marker or length.
  std::vector<std::uint8_t> getAPP1() const;

  const std::string& sourceFile() const { return sourceFile_; }

 private:
  std::string sourceFile_;
  std::vector<std::uint8_t> app1_;
};

}  // namespace lumivex
