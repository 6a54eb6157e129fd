// A TIFF file's metadata: the Exif block built from its IFDs (tiff_exif_block.h), and the XMP
// packet (tag 700) and ICC profile (tag 34675) of IFD0. The file is read whole (up to a limit), as
// its IFDs and their values may lie anywhere in it, usually behind the pixels.
#include <cstdio>

#include "metadata/metadata_readers.h"
#include "metadata/tiff_exif_block.h"
#include "metadata/tiff_structure.h"

namespace lumivex {
namespace {

constexpr long kMaxTiffBytes = 512L << 20;

std::vector<std::uint8_t> valueOfTag(const TiffStructure& tiff, const TiffIfd& ifd, std::uint16_t tag) {
  for (const TiffEntry& e : ifd.entries) {
    if (e.tag != tag) continue;
    std::optional<std::span<const std::uint8_t>> value = tiff.valueOf(e);
    if (value) return {value->begin(), value->end()};
  }
  return {};
}

}  // namespace

// The engine's TIFF reader turns the pixels by the file's Orientation tag, so the block says
// orientation 1: the batch neither turns the photo again nor gives the copy a stale tag.
void ReadTiffMetadata(std::FILE* file, PhotoMetadata& out) {
  if (std::fseek(file, 0, SEEK_END) != 0) return;
  long size = std::ftell(file);
  if (size <= 0 || size > kMaxTiffBytes) return;
  std::optional<std::vector<std::uint8_t>> bytes = ReadFileRange(file, 0, static_cast<std::uint64_t>(size));
  if (!bytes) return;
  out.turnedByReader = true;
  if (std::optional<std::vector<std::uint8_t>> block = BuildExifFromTiff(*bytes)) {
    MarkExifUpright(*block);
    out.exif = std::move(*block);
  }
  TiffStructure tiff(*bytes, 0);
  std::optional<TiffIfd> ifd0 = tiff.hasTiffHeader() ? tiff.ifd0() : std::nullopt;
  if (!ifd0) return;
  out.xmp = valueOfTag(tiff, *ifd0, kXmpTag);
  out.icc = valueOfTag(tiff, *ifd0, kIccProfileTag);
}

}  // namespace lumivex
