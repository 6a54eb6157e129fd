// The thumbnail's IFD and image found through the bounds-checked walk, wiped and, at the block's
// end, cut off.
#include "metadata/exif_thumbnail.h"

#include <algorithm>
#include <optional>

namespace lumivex {

namespace {

struct Range {
  std::uint64_t start;
  std::uint64_t end;
  bool overlaps(const Range& other) const { return start < other.end && other.start < end; }
};

// A gap of this many zero bytes between two removed parts is alignment padding.
constexpr std::uint64_t kLargestPadding = 3;

// The IFD's table (with its link) and each value it keeps outside the table.
void addIfdRanges(const TiffStructure& tiff, const TiffIfd& ifd, std::vector<Range>& ranges) {
  ranges.push_back({ifd.start, ifd.linkPosition + 4});
  for (const TiffEntry& e : ifd.entries) {
    std::uint64_t bytes = TiffTypeSize(e.type) * e.count;
    std::uint64_t at = std::uint64_t{e.value} + kExifTiffStart;
    if (bytes > 4 && tiff.reader().fits(at, bytes)) ranges.push_back({at, at + bytes});
  }
}

std::optional<std::uint32_t> numberOf(const TiffIfd& ifd, std::uint16_t tag) {
  for (const TiffEntry& e : ifd.entries)
    if (e.tag == tag && e.count == 1 && (e.type == kTiffTypeShort || e.type == kTiffTypeLong)) return e.value;
  return std::nullopt;
}

// The thumbnail image: a JPEG by offset and length, or an uncompressed one in a single strip.
void addImageRange(const TiffStructure& tiff, const TiffIfd& ifd1, std::vector<Range>& ranges) {
  for (auto [offsetTag, lengthTag] : {std::pair{kThumbnailOffsetTag, kThumbnailLengthTag},
                                      std::pair{kStripOffsetsTag, kStripByteCountsTag}}) {
    std::optional<std::uint32_t> offset = numberOf(ifd1, offsetTag), length = numberOf(ifd1, lengthTag);
    if (!offset || !length) continue;
    std::uint64_t at = std::uint64_t{*offset} + kExifTiffStart;
    if (tiff.reader().fits(at, *length)) ranges.push_back({at, at + *length});
  }
}

bool zeroBytes(const std::vector<std::uint8_t>& block, std::uint64_t from, std::uint64_t to) {
  return std::all_of(block.begin() + static_cast<std::ptrdiff_t>(from),
                     block.begin() + static_cast<std::ptrdiff_t>(to), [](std::uint8_t b) { return b == 0; });
}

// Where the block may end: before the last run of removed parts that reaches its end.
std::uint64_t cutPoint(const std::vector<std::uint8_t>& block, std::vector<Range> removed) {
  std::sort(removed.begin(), removed.end(), [](const Range& a, const Range& b) { return a.end > b.end; });
  std::uint64_t cut = block.size();
  bool moved = true;
  while (moved) {
    moved = false;
    for (const Range& r : removed) {
      if (r.start >= cut || r.end + kLargestPadding < cut || !zeroBytes(block, std::min(r.end, cut), cut))
        continue;
      cut = r.start;
      moved = true;
    }
  }
  return cut;
}

}  // namespace

void RemoveThumbnail(std::vector<std::uint8_t>& block, const std::vector<TiffIfd>& kept) {
  TiffStructure tiff(block, kExifTiffStart);
  std::optional<TiffIfd> ifd0 = tiff.ifd0();
  std::uint32_t link = 0;
  if (!ifd0 || !tiff.reader().dword(ifd0->linkPosition, link) || link == 0) return;
  std::optional<TiffIfd> ifd1 = tiff.ifdAt(link);
  std::vector<Range> protectedRanges, candidates, removed;
  for (const TiffIfd& ifd : kept) addIfdRanges(tiff, ifd, protectedRanges);
  if (ifd1 && tiff.reader().fits(ifd1->linkPosition, 4)) {
    addIfdRanges(tiff, *ifd1, candidates);
    addImageRange(tiff, *ifd1, candidates);
  }
  for (const Range& r : candidates)
    if (std::none_of(protectedRanges.begin(), protectedRanges.end(),
                     [&](const Range& p) { return p.overlaps(r); }))
      removed.push_back(r);
  // The link first (a field of IFD0), then the parts; nothing moves, so the walk stays valid.
  for (int i = 0; i < 4; ++i) block[ifd0->linkPosition + static_cast<std::uint64_t>(i)] = 0;
  for (const Range& r : removed)
    std::fill(block.begin() + static_cast<std::ptrdiff_t>(r.start),
              block.begin() + static_cast<std::ptrdiff_t>(r.end), std::uint8_t{0});
  std::uint64_t cut = cutPoint(block, removed);
  if (cut < block.size()) block.resize(cut);
}

}  // namespace lumivex
