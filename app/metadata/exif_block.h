// The Exif block (APP1 payload) of one source: found by the one metadata pass (photo_metadata.h),
// read for the orientation tag, changed in place and handed whole to the encoder. A problem
// reading the file is kept as a value for the caller to show; nothing here speaks to the user.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lumivex {

class CExif {
 public:
  // Takes the payload of the first APP1 segment that starts with "Exif\0\0" among the segments
  // before the first start-of-scan (or the Exif block of another container). False for a file
  // that is not a JPEG or a container with Exif (the held block stays), and for one without a
  // block (the block becomes one zero byte). A file that cannot be read answers false, and
  // readError() then holds the system's words for it.
  bool LoadFromJPEG(const std::string& path);

  // Takes a block found by the caller's own metadata pass; an empty one holds as one zero byte.
  void hold(std::vector<std::uint8_t> block);

  // Why the last LoadFromJPEG could not read its file; empty when it could.
  const std::string& readError() const { return readError_; }

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
  std::string readError_;
};

// The notice for a file whose Exif block could not be read: "Error reading Exif info (name): why".
std::string ExifReadErrorNotice(const std::string& path, const std::string& why);

}  // namespace lumivex
