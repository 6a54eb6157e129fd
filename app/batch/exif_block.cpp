// The Exif block's IFD walk: every offset and count is checked against the block, so a malformed
// block reads as having no field and is never written outside its bytes.
#include "batch/exif_block.h"

#include <optional>

#include "batch/byte_reader.h"
#include "batch/exif_segment.h"
#include "batch/user_prompts.h"
#include "batch/utilities.h"

namespace lumivex {
namespace {

// Layout of the block (Exif 2.3, clause 4.5.4; TIFF 6.0, section 2 "Image File Structure"):
//   block 0..5   "Exif" 0 0
//   block 6..    the TIFF structure; every TIFF offset o is block index o + 6
//     TIFF 0..1  byte order: "II" little-endian, "MM" big-endian
//     TIFF 2..3  42
//     TIFF 4..7  offset of IFD0
//   IFD:  2-byte entry count n, then n entries of 12 bytes, then the 4-byte offset of the next IFD
//   entry: tag (2), type (2), count (4), value or offset of the value (4)
// Only IFD0 is read, so the next-IFD offset and the sub-IFD pointers are never followed and a
// chain of IFDs that loops cannot trap the walk.
constexpr std::size_t kTiffStart = 6;
constexpr std::size_t kEntrySize = 12;
constexpr std::size_t kShortestUsefulBlock = 19;  // a block of 18 bytes or fewer holds no field
constexpr std::uint16_t kTypeShort = 3;           // TIFF field type SHORT: value in the first 2 bytes

struct IfdEntry {
  std::size_t position;  // block index of the entry
  std::uint16_t tag;
  std::uint16_t type;
};

// Byte order from the TIFF header: anything but "I" counts as big-endian, as Motorola order was
// the first one Exif readers met.
bool isBigEndian(const std::vector<std::uint8_t>& block) { return block[kTiffStart] != 'I'; }

// The entries of IFD0, checked against the block: the IFD0 offset and the whole entry table must
// lie inside it, otherwise the block is malformed and has no entries at all.
std::optional<std::vector<IfdEntry>> ifd0Entries(const std::vector<std::uint8_t>& block) {
  if (block.size() < kShortestUsefulBlock) return std::nullopt;
  ByteReader reader(block, isBigEndian(block));
  std::uint32_t ifdOffset = 0;
  std::uint16_t count = 0;
  if (!reader.dword(kTiffStart + 4, ifdOffset)) return std::nullopt;
  std::uint64_t ifdStart = std::uint64_t{ifdOffset} + kTiffStart;
  if (!reader.word(ifdStart, count)) return std::nullopt;
  std::uint64_t firstEntry = ifdStart + 2;
  if (!reader.fits(firstEntry, std::uint64_t{count} * kEntrySize)) return std::nullopt;
  std::vector<IfdEntry> entries;
  entries.reserve(count);
  for (std::uint64_t j = firstEntry; j < firstEntry + std::uint64_t{count} * kEntrySize; j += kEntrySize) {
    IfdEntry entry{static_cast<std::size_t>(j), 0, 0};
    reader.word(j, entry.tag);
    reader.word(j + 2, entry.type);
    entries.push_back(entry);
  }
  return entries;
}

// The value as the orientation reader wants it: a SHORT from the first two bytes of the value
// field, anything else as the whole four-byte field, unsigned so that no value overflows.
std::uint32_t entryValue(const ByteReader& reader, const IfdEntry& entry) {
  if (entry.type == kTypeShort) {
    std::uint16_t value = 0;
    reader.word(entry.position + 8, value);
    return value;
  }
  std::uint32_t value = 0;
  reader.dword(entry.position + 8, value);
  return value;
}

// Block index of the least significant byte of the value as entryValue reads it.
std::size_t lowByteIndex(const IfdEntry& entry, bool bigEndian) {
  if (!bigEndian) return entry.position + 8;
  return entry.position + (entry.type == kTypeShort ? 9 : 11);
}

}  // namespace

bool CExif::LoadFromJPEG(const std::string& path) {
  sourceFile_ = path;
  ExifSegmentSearch search = FindExifSegment(path);
  switch (search.outcome) {
    case ExifSegmentSearch::Outcome::Found:
      app1_ = std::move(search.payload);
      return true;
    case ExifSegmentSearch::Outcome::NoExifSegment:
      app1_.assign(1, 0);
      return false;
    case ExifSegmentSearch::Outcome::ReadError:
      userPrompts().notice("Error reading Exif info (" + FileNameOf(sourceFile_) + "): " + search.errorText);
      return false;
    case ExifSegmentSearch::Outcome::NotJpeg:
      break;
  }
  return false;
}

std::string CExif::getField(int field) {
  auto entries = ifd0Entries(app1_);
  if (!entries) return {};
  ByteReader reader(app1_, isBigEndian(app1_));
  std::string result;
  for (const IfdEntry& entry : *entries)
    if (entry.tag == field) result = std::to_string(entryValue(reader, entry));
  return result;
}

void CExif::setField(int field, std::uint8_t value) {
  auto entries = ifd0Entries(app1_);
  if (!entries) return;
  bool bigEndian = isBigEndian(app1_);
  for (const IfdEntry& entry : *entries)
    if (entry.tag == field) app1_[lowByteIndex(entry, bigEndian)] = value;
}

std::vector<std::uint8_t> CExif::getAPP1() const { return app1_; }

}  // namespace lumivex
