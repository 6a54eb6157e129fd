// Edits of a copied Exif block through a bounds-checked walk of its IFDs (TIFF 6.0 section 2,
// Exif 2.3 clause 4.6): IFD0, the Exif IFD, its interoperability IFD, the GPS IFD and IFD1.
#include "batch/exif_rewrite.h"

#include <algorithm>
#include <optional>

#include "batch/byte_reader.h"

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
constexpr std::uint16_t kTypeShort = 3;
constexpr std::uint16_t kTypeLong = 4;

std::uint64_t typeSize(std::uint16_t type) {
  switch (type) {
    case 3:
    case 8:
      return 2;
    case 4:
    case 9:
    case 11:
    case 13:
      return 4;
    case 5:
    case 10:
    case 12:
      return 8;
    default:
      return 1;
  }
}

struct Entry {
  std::uint64_t position;  // block index of the 12-byte entry
  std::uint16_t tag;
  std::uint16_t type;
  std::uint32_t count;
  std::uint32_t value;  // the value field as a number: an offset when the value lies elsewhere
};

struct Ifd {
  std::uint64_t start;  // block index of the entry count
  std::vector<Entry> entries;
  std::uint64_t linkPosition;  // block index of the next-IFD offset
};

class TiffBlock {
 public:
  explicit TiffBlock(std::vector<std::uint8_t>& block)
      : block_(block), bigEndian_(block.size() > kTiffStart && block[kTiffStart] != 'I') {}

  ByteReader reader() const { return ByteReader(block_, bigEndian_); }

  std::optional<Ifd> ifdAt(std::uint32_t offset) const {
    ByteReader r = reader();
    Ifd ifd{std::uint64_t{offset} + kTiffStart, {}, 0};
    std::uint16_t count = 0;
    if (!r.word(ifd.start, count) || !r.fits(ifd.start + 2, count * kEntrySize + 4)) return std::nullopt;
    for (std::uint64_t i = 0; i < count; ++i) {
      Entry e{ifd.start + 2 + i * kEntrySize, 0, 0, 0, 0};
      r.word(e.position, e.tag);
      r.word(e.position + 2, e.type);
      r.dword(e.position + 4, e.count);
      if (e.type == kTypeShort) {
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

  std::optional<Ifd> ifd0() const {
    std::uint32_t offset = 0;
    if (block_.size() < kTiffStart + 8 || !reader().dword(kTiffStart + 4, offset)) return std::nullopt;
    return ifdAt(offset);
  }

  // The sub-IFD an entry points to, when it is a pointer entry.
  std::optional<Ifd> subIfd(const Ifd& ifd, std::uint16_t tag) const {
    for (const Entry& e : ifd.entries)
      if (e.tag == tag && e.count == 1) return ifdAt(e.value);
    return std::nullopt;
  }

  // Sets a one-value SHORT or LONG entry of the IFD to `value`; other types are left alone.
  void setNumber(const Ifd& ifd, std::uint16_t tag, std::uint32_t value) {
    for (const Entry& e : ifd.entries) {
      if (e.tag != tag || e.count != 1) continue;
      if (e.type == kTypeShort && value <= 0xFFFF) put(e.position + 8, value, 2);
      if (e.type == kTypeLong) put(e.position + 8, value, 4);
    }
  }

  // The block index just past the IFD's table and every value it keeps outside the table.
  std::uint64_t endOf(const Ifd& ifd) const {
    std::uint64_t end = ifd.linkPosition + 4;
    for (const Entry& e : ifd.entries) {
      std::uint64_t bytes = typeSize(e.type) * e.count;
      if (bytes > 4 && reader().fits(std::uint64_t{e.value} + kTiffStart, bytes))
        end = std::max(end, std::uint64_t{e.value} + kTiffStart + bytes);
    }
    return end;
  }

  // Overwrites the IFD's table and the values it keeps outside it with zeros.
  void erase(const Ifd& ifd) {
    for (const Entry& e : ifd.entries) {
      std::uint64_t bytes = typeSize(e.type) * e.count;
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
  std::vector<std::uint8_t>& block_;
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
