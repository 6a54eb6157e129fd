// The bounds-checked IFD walk of a TIFF structure.
#include "metadata/tiff_structure.h"

namespace lumivex {

namespace {

constexpr std::uint64_t kEntrySize = 12;

}  // namespace

std::uint64_t TiffTypeSize(std::uint16_t type) {
  switch (type) {
    case 3:  // SHORT
    case 8:  // SSHORT
      return 2;
    case 4:   // LONG
    case 9:   // SLONG
    case 11:  // FLOAT
    case 13:  // IFD
      return 4;
    case 5:   // RATIONAL
    case 10:  // SRATIONAL
    case 12:  // DOUBLE
      return 8;
    default:  // BYTE, ASCII, SBYTE, UNDEFINED
      return 1;
  }
}

TiffStructure::TiffStructure(std::span<const std::uint8_t> bytes, std::size_t tiffStart)
    : bytes_(bytes), tiffStart_(tiffStart), bigEndian_(bytes.size() > tiffStart && bytes[tiffStart] != 'I') {}

bool TiffStructure::hasTiffHeader() const {
  std::uint16_t magic = 0;
  if (!reader().fits(tiffStart_, 8) || !reader().word(tiffStart_ + 2, magic)) return false;
  std::uint8_t first = bytes_[tiffStart_], second = bytes_[tiffStart_ + 1];
  return (first == 'I' || first == 'M') && second == first && magic == 42;
}

std::optional<TiffIfd> TiffStructure::ifdAt(std::uint32_t offset) const {
  corvale::ByteCursor r = reader();
  TiffIfd ifd{std::uint64_t{offset} + tiffStart_, {}, 0};
  std::uint16_t count = 0;
  if (!r.word(ifd.start, count) || !r.fits(ifd.start + 2, count * kEntrySize)) return std::nullopt;
  ifd.entries.reserve(count);
  for (std::uint64_t i = 0; i < count; ++i) {
    TiffEntry e{ifd.start + 2 + i * kEntrySize, 0, 0, 0, 0};
    r.word(e.position, e.tag);
    r.word(e.position + 2, e.type);
    r.dword(e.position + 4, e.count);
    if (e.type == kTiffTypeShort) {
      std::uint16_t shortValue = 0;
      r.word(e.position + 8, shortValue);
      e.value = shortValue;
    } else {
      r.dword(e.position + 8, e.value);
    }
    ifd.entries.push_back(e);
  }
  ifd.linkPosition = ifd.start + 2 + count * kEntrySize;
  return ifd;
}

std::optional<TiffIfd> TiffStructure::ifd0() const {
  std::uint32_t offset = 0;
  if (!reader().dword(tiffStart_ + 4, offset)) return std::nullopt;
  return ifdAt(offset);
}

std::optional<TiffIfd> TiffStructure::subIfd(const TiffIfd& ifd, std::uint16_t tag) const {
  for (const TiffEntry& e : ifd.entries)
    if (e.tag == tag && e.count == 1) return ifdAt(e.value);
  return std::nullopt;
}

std::optional<std::span<const std::uint8_t>> TiffStructure::valueOf(const TiffEntry& entry) const {
  std::uint64_t size = TiffTypeSize(entry.type) * entry.count;
  std::uint64_t at = entry.position + 8;
  if (size > 4) {
    std::uint32_t offset = 0;
    reader().dword(entry.position + 8, offset);
    at = std::uint64_t{offset} + tiffStart_;
  }
  if (!reader().fits(at, size)) return std::nullopt;
  return bytes_.subspan(static_cast<std::size_t>(at), static_cast<std::size_t>(size));
}

void MarkExifUpright(std::vector<std::uint8_t>& block) {
  TiffStructure tiff(block, kExifTiffStart);
  std::optional<TiffIfd> ifd0 = tiff.ifd0();
  if (!ifd0) return;
  for (const TiffEntry& e : ifd0->entries) {
    if (e.tag != kOrientationTag || e.count != 1) continue;
    int bytes = e.type == kTiffTypeShort ? 2 : e.type == kTiffTypeLong ? 4 : 0;
    for (int i = 0; i < bytes; ++i)  // 1 in the block's byte order: the low byte first or last
      block[e.position + 8 + static_cast<std::uint64_t>(i)] =
          (tiff.bigEndian() ? i == bytes - 1 : i == 0) ? 1 : 0;
  }
}

}  // namespace lumivex
