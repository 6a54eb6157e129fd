// The one walk of a TIFF structure's IFDs (TIFF 6.0 section 2, "Image File Structure"), shared by
// the Exif block of a JPEG (the structure behind "Exif\0\0" in its APP1 segment), the Exif item of
// a HEIF file and a TIFF file itself (the structure from the file's first byte):
//   TIFF 0..1  byte order: "II" little-endian, "MM" big-endian
//   TIFF 2..3  42
//   TIFF 4..7  offset of IFD0
//   IFD:  2-byte entry count n, then n entries of 12 bytes, then the 4-byte offset of the next IFD
//   entry: tag (2), type (2), count (4), value or offset of the value (4)
// Every offset is relative to the structure's first byte, which may lie anywhere in the bytes
// given. Every offset and count is checked against those bytes: a part that does not fit reads
// as missing, never as bytes outside them. Only the IFDs asked for are read, so a chain of IFDs
// that loops cannot trap a walk.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "metadata/exif_constants.h"
#include "readers/byte_cursor.h"

namespace lumivex {

struct TiffEntry {
  std::uint64_t position;  // index of the 12-byte entry in the bytes
  std::uint16_t tag;
  std::uint16_t type;
  std::uint32_t count;
  // The value field as a number: a SHORT from its first two bytes, anything else as the whole
  // four bytes (the offset of the value when it does not fit there).
  std::uint32_t value;
};

struct TiffIfd {
  std::uint64_t start;  // index of the entry count
  std::vector<TiffEntry> entries;
  std::uint64_t linkPosition;  // index of the next-IFD offset (which may lie past the bytes)
};

// Bytes a value of the TIFF field type takes; 1 for a type the walk does not know.
std::uint64_t TiffTypeSize(std::uint16_t type);

class TiffStructure {
 public:
  // The structure that starts at `tiffStart`. Anything but "I" there counts as big-endian, as
  // Motorola order was the first one Exif readers met.
  TiffStructure(std::span<const std::uint8_t> bytes, std::size_t tiffStart);

  // True when the structure starts with a byte-order mark of either kind followed by 42.
  bool hasTiffHeader() const;
  bool bigEndian() const { return bigEndian_; }
  corvale::ByteCursor reader() const {
    return corvale::ByteCursor(bytes_, bigEndian_ ? corvale::ByteOrder::Big : corvale::ByteOrder::Little);
  }

  // The IFD at `offset`: present when its count and its whole entry table fit.
  std::optional<TiffIfd> ifdAt(std::uint32_t offset) const;
  std::optional<TiffIfd> ifd0() const;
  // The IFD a one-value pointer entry of `ifd` (the Exif or GPS IFD) points to.
  std::optional<TiffIfd> subIfd(const TiffIfd& ifd, std::uint16_t tag) const;

  // The bytes of the entry's value, inside the entry when they fit in four and at their offset
  // otherwise; nothing when they do not lie inside the bytes.
  std::optional<std::span<const std::uint8_t>> valueOf(const TiffEntry& entry) const;

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t tiffStart_;
  bool bigEndian_;
};

// Sets every one-value SHORT or LONG Orientation entry of IFD0 of an Exif block ("Exif\0\0", then
// the structure) to 1: for sources whose reader turns the pixels upright itself.
void MarkExifUpright(std::vector<std::uint8_t>& block);

}  // namespace lumivex
