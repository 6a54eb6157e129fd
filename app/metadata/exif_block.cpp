// The Exif block's IFD walk: every offset and count is checked against the block, so a malformed
// block reads as having no field and is never written outside its bytes.
#include "metadata/exif_block.h"

#include <optional>

#include "metadata/photo_metadata.h"
#include "metadata/tiff_structure.h"
#include "utilities/utilities.h"

namespace lumivex {
namespace {

// The block is "Exif" 0 0, then the TIFF structure (Exif 2.3, clause 4.5.4), walked by
// TiffStructure. Only IFD0 is read.
constexpr std::size_t kTiffStart = kExifTiffStart;
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
  readError_.clear();
  PhotoMetadata metadata = ReadPhotoMetadata(path);
  if (metadata.outcome != MetadataRead::Read) {
    readError_ = metadata.errorText;
    return false;
  }
  if (metadata.container == MetadataContainer::None || metadata.container == MetadataContainer::Bmp)
    return false;
  bool found = !metadata.exif.empty();
  hold(std::move(metadata.exif));
  return found;
}

void CExif::hold(std::vector<std::uint8_t> block) {
  app1_ = std::move(block);
  if (app1_.empty()) app1_.assign(1, 0);
}

std::string ExifReadErrorNotice(const std::string& path, const std::string& why) {
  return "Error reading Exif info (" + FileNameOf(path) + "): " + why;
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
