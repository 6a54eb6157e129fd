// Edits of a copied Exif block through a bounds-checked walk of its IFDs (TIFF 6.0 section 2,
// Exif 2.3 clause 4.6): IFD0, the Exif IFD, its interoperability IFD, the GPS IFD and IFD1.
#include "metadata/exif_rewrite.h"

#include <algorithm>
#include <optional>

#include "metadata/byte_reader.h"
#include "metadata/tiff_structure.h"

namespace lumivex {

namespace {

constexpr std::size_t kTiffStart = 6;  // TIFF offset o is block index o + 6
constexpr std::uint64_t kEntrySize = 12;

constexpr std::uint16_t kImageWidth = 0x0100;
constexpr std::uint16_t kImageLength = 0x0101;
constexpr std::uint16_t kOrientation = 0x0112;
constexpr std::uint16_t kExifIfdPointer = 0x8769;
constexpr std::uint16_t kGpsIfdPointer = 0x8825;
constexpr std::uint16_t kInteropIfdPointer = 0xA005;
constexpr std::uint16_t kPixelXDimension = 0xA002;
constexpr std::uint16_t kPixelYDimension = 0xA003;
constexpr std::uint16_t kThumbnailOffset = 0x0201;

using Entry = TiffEntry;
using Ifd = TiffIfd;

// The block's structure (tiff_structure.h) and the edits made in place: none moves or resizes
// anything, so the structure's view of the block stays valid.
class TiffBlock {
 public:
  explicit TiffBlock(std::vector<std::uint8_t>& block)
      : block_(block), structure_(block, kTiffStart), bigEndian_(structure_.bigEndian()) {}

  ByteReader reader() const { return structure_.reader(); }

  // An IFD whose link field fits too: removeEntry moves it.
  std::optional<Ifd> ifdAt(std::uint32_t offset) const { return withLink(structure_.ifdAt(offset)); }
  std::optional<Ifd> ifd0() const { return withLink(structure_.ifd0()); }
  std::optional<Ifd> subIfd(const Ifd& ifd, std::uint16_t tag) const {
    return withLink(structure_.subIfd(ifd, tag));
  }

  // Sets a one-value SHORT or LONG entry of the IFD to `value`; other types are left alone.
  void setNumber(const Ifd& ifd, std::uint16_t tag, std::uint32_t value) {
    for (const Entry& e : ifd.entries) {
      if (e.tag != tag || e.count != 1) continue;
      if (e.type == kTiffTypeShort && value <= 0xFFFF) put(e.position + 8, value, 2);
      if (e.type == kTiffTypeLong) put(e.position + 8, value, 4);
    }
  }

  // The block index just past the IFD's table and every value it keeps outside the table.
  std::uint64_t endOf(const Ifd& ifd) const {
    std::uint64_t end = ifd.linkPosition + 4;
    for (const Entry& e : ifd.entries) {
      std::uint64_t bytes = TiffTypeSize(e.type) * e.count;
      if (bytes > 4 && reader().fits(std::uint64_t{e.value} + kTiffStart, bytes))
        end = std::max(end, std::uint64_t{e.value} + kTiffStart + bytes);
    }
    return end;
  }

  // Overwrites the IFD's table and the values it keeps outside it with zeros.
  void erase(const Ifd& ifd) {
    for (const Entry& e : ifd.entries) {
      std::uint64_t bytes = TiffTypeSize(e.type) * e.count;
      if (bytes > 4 && reader().fits(std::uint64_t{e.value} + kTiffStart, bytes))
        zero(std::uint64_t{e.value} + kTiffStart, bytes);
    }
    zero(ifd.start, ifd.linkPosition + 4 - ifd.start);
  }

  // Takes the entry with `tag` out of the table: later entries move up, the count and the link
  // follow them, and the freed last 12 bytes become zeros. Nothing else moves.
  void removeEntry(const Ifd& ifd, std::uint16_t tag) {
    auto it =
        std::find_if(ifd.entries.begin(), ifd.entries.end(), [&](const Entry& e) { return e.tag == tag; });
    if (it == ifd.entries.end()) return;
    std::uint64_t from = it->position + kEntrySize, to = ifd.linkPosition + 4;
    std::copy(block_.begin() + static_cast<std::ptrdiff_t>(from),
              block_.begin() + static_cast<std::ptrdiff_t>(to),
              block_.begin() + static_cast<std::ptrdiff_t>(it->position));
    zero(to - kEntrySize, kEntrySize);
    put(ifd.start, static_cast<std::uint32_t>(ifd.entries.size() - 1), 2);
  }

  void put(std::uint64_t position, std::uint32_t value, int bytes) {
    if (!reader().fits(position, static_cast<std::uint64_t>(bytes))) return;
    for (int i = 0; i < bytes; ++i) {
      int shift = 8 * (bigEndian_ ? bytes - 1 - i : i);
      block_[position + static_cast<std::uint64_t>(i)] = static_cast<std::uint8_t>(value >> shift);
    }
  }

  void zero(std::uint64_t position, std::uint64_t count) {
    if (!reader().fits(position, count)) return;
    std::fill_n(block_.begin() + static_cast<std::ptrdiff_t>(position), count, std::uint8_t{0});
  }

 private:
  std::optional<Ifd> withLink(std::optional<Ifd> ifd) const {
    if (ifd && !reader().fits(ifd->linkPosition, 4)) return std::nullopt;
    return ifd;
  }

  std::vector<std::uint8_t>& block_;
  TiffStructure structure_;
  bool bigEndian_;
};

// Clears the link from IFD0 to IFD1 (the thumbnail's IFD). When IFD1 and the thumbnail lie after
// everything still reachable, the block ends where that does, so the copy does not carry them.
void dropThumbnail(TiffBlock& tiff, std::vector<std::uint8_t>& block, const Ifd& ifd0,
                   const std::vector<Ifd>& kept) {
  std::uint32_t link = 0;
  if (!tiff.reader().dword(ifd0.linkPosition, link) || link == 0) return;
  std::optional<Ifd> ifd1 = tiff.ifdAt(link);
  tiff.put(ifd0.linkPosition, 0, 4);
  if (!ifd1) return;
  std::uint64_t reachableEnd = 0;
  for (const Ifd& ifd : kept) reachableEnd = std::max(reachableEnd, tiff.endOf(ifd));
  std::uint64_t thumbnailStart = ifd1->start;
  for (const Entry& e : ifd1->entries)
    if (e.tag == kThumbnailOffset)
      thumbnailStart = std::min(thumbnailStart, std::uint64_t{e.value} + kTiffStart);
  if (thumbnailStart >= reachableEnd && reachableEnd < block.size()) block.resize(reachableEnd);
}

}  // namespace

std::vector<std::uint8_t> RewriteExif(std::vector<std::uint8_t> block, const ExifRewrite& facts) {
  TiffBlock tiff(block);
  std::optional<Ifd> ifd0 = tiff.ifd0();
  if (!ifd0) return block;
  std::optional<Ifd> exif = tiff.subIfd(*ifd0, kExifIfdPointer);
  std::optional<Ifd> gps = tiff.subIfd(*ifd0, kGpsIfdPointer);
  std::optional<Ifd> interop = exif ? tiff.subIfd(*exif, kInteropIfdPointer) : std::nullopt;

  auto width = static_cast<std::uint32_t>(facts.width), height = static_cast<std::uint32_t>(facts.height);
  if (facts.turned) tiff.setNumber(*ifd0, kOrientation, 1);
  tiff.setNumber(*ifd0, kImageWidth, width);
  tiff.setNumber(*ifd0, kImageLength, height);
  if (exif) tiff.setNumber(*exif, kPixelXDimension, width), tiff.setNumber(*exif, kPixelYDimension, height);

  std::vector<Ifd> kept{*ifd0};
  for (const auto& ifd : {exif, interop})
    if (ifd) kept.push_back(*ifd);
  if (gps && !facts.stripLocation) kept.push_back(*gps);
  dropThumbnail(tiff, block, *ifd0, kept);

  if (facts.stripLocation && gps) tiff.erase(*gps);
  if (facts.stripLocation) tiff.removeEntry(*ifd0, kGpsIfdPointer);
  return block;
}

}  // namespace lumivex
