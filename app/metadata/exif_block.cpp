// The Exif block's IFD walk: every offset and count is checked against the block, so a malformed
// block reads as having no field and is never written outside its bytes.
#include "metadata/exif_block.h"

#include <optional>

#include "metadata/exif_segment.h"
#include "metadata/tiff_structure.h"
#include "utilities/user_prompts.h"
#include "utilities/utilities.h"

namespace lumivex {
namespace {

// The block is "Exif" 0 0, then the TIFF structure (Exif 2.3, clause 4.5.4), walked by
// TiffStructure. Only IFD0 is read.
constexpr std::size_t kTiffStart = 6;
constexpr std::size_t kShortestUsefulBlock = 19;  // a block of 18 bytes or fewer holds no field

// The entries of IFD0, checked against the block: the IFD0 offset and the whole entry table must
// lie inside it, otherwise the block is malformed and has no entries at all.
std::optional<TiffIfd> ifd0Of(const std::vector<std::uint8_t>& block) {
  if (block.size() < kShortestUsefulBlock) return std::nullopt;
  return TiffStructure(block, kTiffStart).ifd0();
}

// Block index of the least significant byte of the value as TiffEntry reads it.
std::size_t lowByteIndex(const TiffEntry& entry, bool bigEndian) {
  if (!bigEndian) return entry.position + 8;
  return entry.position + (entry.type == kTiffTypeShort ? 9 : 11);
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
  std::optional<TiffIfd> ifd0 = ifd0Of(app1_);
  if (!ifd0) return {};
  std::string result;
  for (const TiffEntry& entry : ifd0->entries)
    if (entry.tag == field) result = std::to_string(entry.value);
  return result;
}

void CExif::setField(int field, std::uint8_t value) {
  std::optional<TiffIfd> ifd0 = ifd0Of(app1_);
  if (!ifd0) return;
  bool bigEndian = TiffStructure(app1_, kTiffStart).bigEndian();
  for (const TiffEntry& entry : ifd0->entries)
    if (entry.tag == field) app1_[lowByteIndex(entry, bigEndian)] = value;
}

std::vector<std::uint8_t> CExif::getAPP1() const { return app1_; }

}  // namespace lumivex
