// Edits of a copied Exif block through a bounds-checked walk of its IFDs (TIFF 6.0 section 2,
// Exif 2.3 clause 4.6): IFD0, the Exif IFD, its interoperability IFD, the GPS IFD and IFD1.
#include "metadata/exif_rewrite.h"

#include <algorithm>
#include <optional>

#include "metadata/exif_thumbnail.h"
#include "metadata/tiff_structure.h"

namespace lumivex {

namespace {

constexpr std::size_t kTiffStart = kExifTiffStart;
constexpr std::uint64_t kEntrySize = 12;
constexpr std::uint8_t kSrgbInteropIndex[4] = {'R', '9', '8', 0};

using Entry = TiffEntry;
using Ifd = TiffIfd;

// The block's structure (tiff_structure.h) and the edits made in place: none moves or resizes
// anything, so the structure's view of the block stays valid.
class TiffBlock {
 public:
  explicit TiffBlock(std::vector<std::uint8_t>& block)
      : block_(block), structure_(block, kTiffStart), bigEndian_(structure_.bigEndian()) {}

  corvale::ByteCursor reader() const { return structure_.reader(); }

  // An IFD whose link field fits too: removeEntry moves it.
  std::optional<Ifd> ifdAt(std::uint32_t offset) const { return withLink(structure_.ifdAt(offset)); }
  std::optional<Ifd> ifd0() const { return withLink(structure_.ifd0()); }
  std::optional<Ifd> subIfd(const Ifd& ifd, std::uint16_t tag) const {
    return withLink(structure_.subIfd(ifd, tag));
  }

  // Sets a SHORT or LONG entry of the IFD to `value`. A size that some cameras store as two
  // SHORTs (the second one 0), or a SHORT too small for the new value, becomes one LONG in the
  // same four bytes, so that the tag holds exactly the number; other types are left alone.
  void setNumber(const Ifd& ifd, std::uint16_t tag, std::uint32_t value) {
    for (const Entry& e : ifd.entries) {
      if (e.tag != tag) continue;
      bool oneShort = e.type == kTiffTypeShort && e.count == 1 && value <= 0xFFFF;
      bool fitsInField =
          (e.type == kTiffTypeShort && e.count <= 2) || (e.type == kTiffTypeLong && e.count == 1);
      if (oneShort) {
        put(e.position + 8, value, 2);
      } else if (fitsInField && e.count >= 1) {
        put(e.position + 2, kTiffTypeLong, 2), put(e.position + 4, 1, 4), put(e.position + 8, value, 4);
      }
    }
  }

  // Writes the four bytes of an entry whose value lies in its value field (ASCII of count 4).
  void setInlineText(const Ifd& ifd, std::uint16_t tag, const std::uint8_t (&text)[4]) {
    for (const Entry& e : ifd.entries)
      if (e.tag == tag && e.type == kTiffTypeAscii && e.count == 4 && reader().fits(e.position + 8, 4))
        std::copy(std::begin(text), std::end(text),
                  block_.begin() + static_cast<std::ptrdiff_t>(e.position + 8));
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

}  // namespace

std::vector<std::uint8_t> RewriteExif(std::vector<std::uint8_t> block, const ExifRewrite& facts) {
  TiffBlock tiff(block);
  std::optional<Ifd> ifd0 = tiff.ifd0();
  if (!ifd0) return block;
  std::optional<Ifd> exif = tiff.subIfd(*ifd0, kExifIfdTag);
  std::optional<Ifd> gps = tiff.subIfd(*ifd0, kGpsIfdTag);
  std::optional<Ifd> interop = exif ? tiff.subIfd(*exif, kInteropIfdTag) : std::nullopt;

  auto width = static_cast<std::uint32_t>(facts.width), height = static_cast<std::uint32_t>(facts.height);
  if (facts.turned) tiff.setNumber(*ifd0, kOrientationTag, 1);
  tiff.setNumber(*ifd0, kImageWidthTag, width);
  tiff.setNumber(*ifd0, kImageLengthTag, height);
  if (exif)
    tiff.setNumber(*exif, kPixelXDimensionTag, width), tiff.setNumber(*exif, kPixelYDimensionTag, height);
  if (facts.convertedToSrgb && exif) tiff.setNumber(*exif, kColorSpaceTag, kColorSpaceSrgb);
  if (facts.convertedToSrgb && interop) tiff.setInlineText(*interop, kInteropIndexTag, kSrgbInteropIndex);

  std::vector<Ifd> kept{*ifd0};
  for (const auto& ifd : {exif, interop})
    if (ifd) kept.push_back(*ifd);
  if (gps && !facts.stripLocation) kept.push_back(*gps);
  if (facts.stripLocation && gps) tiff.erase(*gps);
  if (facts.stripLocation) tiff.removeEntry(*ifd0, kGpsIfdTag);
  // Last, as it may shorten the block under the walk above.
  RemoveThumbnail(block, kept);
  return block;
}

}  // namespace lumivex
