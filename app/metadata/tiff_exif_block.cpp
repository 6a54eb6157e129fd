// Copies the descriptive part of a TIFF file's IFDs into a fresh Exif block, and an Exif block's
// IFDs into a fresh TIFF file, in the byte order of both, so that every value is copied as it is
// and only offsets are written anew.
#include "metadata/tiff_exif_block.h"

#include <algorithm>
#include <string>

#include "metadata/tiff_structure.h"

namespace lumivex {

namespace {

constexpr std::size_t kTiffStart = kExifTiffStart;
constexpr std::size_t kMaxBlockBytes = kMaxApp1Payload;

// The IFD0 fields that say who made the photo, with what, when and which way up: the ones a
// camera's JPEG carries in its own IFD0. Everything else in a TIFF's IFD0 describes its pixels.
constexpr std::uint16_t kDescriptiveTags[] = {
    0x010D,  // DocumentName
    0x010E,  // ImageDescription
    0x010F,  // Make
    0x0110,  // Model
    kOrientationTag,
    kXResolutionTag,
    kYResolutionTag,
    0x011D,  // PageName
    kResolutionUnitTag,
    0x0131,  // Software
    0x0132,  // DateTime
    0x013B,  // Artist
    0x013C,  // HostComputer
    0x8298,  // Copyright
};

bool isDescriptive(std::uint16_t tag) {
  return std::find(std::begin(kDescriptiveTags), std::end(kDescriptiveTags), tag) !=
         std::end(kDescriptiveTags);
}

// The block as it grows, written in the source's byte order. Offsets are TIFF offsets: index
// minus where the TIFF structure starts (after the identifier of an Exif block, at 0 in a file).
class BlockWriter {
 public:
  explicit BlockWriter(bool bigEndian) : bigEndian_(bigEndian) {
    block_.assign(kExifIdentifier, kExifIdentifier + kTiffStart);
    append(bigEndian ? 'M' : 'I', 1), append(bigEndian ? 'M' : 'I', 1);
    append(42, 2), append(8, 4);  // IFD0 follows the header
  }
  // Continues a whole TIFF file: what is appended may add at most an Exif block's worth.
  BlockWriter(std::vector<std::uint8_t> file, bool bigEndian)
      : block_(std::move(file)),
        bigEndian_(bigEndian),
        tiffStart_(0),
        limit_(block_.size() + kMaxBlockBytes) {}

  std::uint32_t tiffOffset() const { return static_cast<std::uint32_t>(block_.size() - tiffStart_); }
  std::size_t size() const { return block_.size(); }

  void append(std::uint32_t value, int bytes) {
    block_.resize(block_.size() + static_cast<std::size_t>(bytes));
    put(block_.size() - static_cast<std::size_t>(bytes), value, bytes);
  }
  // Values that would make the block larger than an APP1 segment are not copied: the block is then
  // full and is not used, and a file of many large values never makes it grow without end.
  void appendBytes(std::span<const std::uint8_t> bytes) {
    if (bytes.size() > limit_ - std::min(block_.size(), limit_)) {
      full_ = true;
      return;
    }
    block_.insert(block_.end(), bytes.begin(), bytes.end());
  }
  bool full() const { return full_ || block_.size() > limit_; }
  void alignToWord() {
    if (block_.size() % 2 != tiffStart_ % 2) block_.push_back(0);
  }

  void copyInto(std::size_t position, std::span<const std::uint8_t> bytes) {
    if (position <= block_.size() && bytes.size() <= block_.size() - position)
      std::copy(bytes.begin(), bytes.end(), block_.begin() + static_cast<std::ptrdiff_t>(position));
  }

  void put(std::size_t position, std::uint32_t value, int bytes) {
    if (position > block_.size() || static_cast<std::size_t>(bytes) > block_.size() - position) return;
    for (int i = 0; i < bytes; ++i) {
      int shift = 8 * (bigEndian_ ? bytes - 1 - i : i);
      block_[position + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> shift);
    }
  }

  std::vector<std::uint8_t> take() { return std::move(block_); }

 private:
  std::vector<std::uint8_t> block_;
  bool bigEndian_;
  std::size_t tiffStart_ = kTiffStart;
  std::size_t limit_ = kMaxBlockBytes;
  bool full_ = false;
};

// An entry copied: where its value field now lies, for the pointers filled in later.
struct CopiedEntry {
  std::uint16_t tag;
  std::size_t valueField;
};

// Appends an IFD of the entries (in their order) and the values that do not fit in an entry,
// each at an even offset. The next-IFD offset is 0: the copy has no thumbnail.
std::vector<CopiedEntry> appendIfd(BlockWriter& out, const TiffStructure& source,
                                   const std::vector<TiffEntry>& entries) {
  std::vector<CopiedEntry> copied;
  out.append(static_cast<std::uint32_t>(entries.size()), 2);
  for (const TiffEntry& e : entries) {
    out.append(e.tag, 2), out.append(e.type, 2), out.append(e.count, 4);
    copied.push_back({e.tag, out.size()});
    std::span<const std::uint8_t> value = *source.valueOf(e);
    out.append(0, 4);
    if (value.size() <= 4) out.copyInto(copied.back().valueField, value);
  }
  out.append(0, 4);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    std::span<const std::uint8_t> value = *source.valueOf(entries[i]);
    if (value.size() <= 4) continue;
    if (out.full()) break;
    out.alignToWord();
    out.put(copied[i].valueField, out.tiffOffset(), 4);
    out.appendBytes(value);
  }
  return copied;
}

// The entries worth copying: those `keep` takes whose values lie inside the file.
template <typename Keep>
std::vector<TiffEntry> entriesToCopy(const TiffStructure& source, const TiffIfd& ifd, Keep keep) {
  std::vector<TiffEntry> entries;
  for (const TiffEntry& e : ifd.entries)
    if (keep(e.tag) && source.valueOf(e)) entries.push_back(e);
  return entries;
}

// A pointer entry of IFD0 that the copy keeps: a LONG or IFD value whose sub-IFD is readable, so
// that the new offset fills its whole value field.
bool keepsPointer(const TiffStructure& source, const TiffIfd& ifd0, std::uint16_t tag) {
  auto pointer = std::find_if(ifd0.entries.begin(), ifd0.entries.end(),
                              [&](const TiffEntry& e) { return e.tag == tag && e.count == 1; });
  return pointer != ifd0.entries.end() && (pointer->type == kTiffTypeLong || pointer->type == kTiffTypeIfd) &&
         source.subIfd(ifd0, tag).has_value();
}

// The Exif IFD fields that describe a compressed (JPEG) file's own coding and size: a TIFF copy
// describes its pixels in IFD0 and may not carry them.
constexpr std::uint16_t kCompressedFileTags[] = {
    0x9101,  // ComponentsConfiguration
    0x9102,  // CompressedBitsPerPixel
    kPixelXDimensionTag,
    kPixelYDimensionTag,
};

bool describesCompressedFile(std::uint16_t tag) {
  return std::find(std::begin(kCompressedFileTags), std::end(kCompressedFileTags), tag) !=
         std::end(kCompressedFileTags);
}

enum class SubIfdTarget { ExifBlock, TiffFile };

void appendSubIfd(BlockWriter& out, const TiffStructure& source, const TiffIfd& ifd0,
                  const std::vector<CopiedEntry>& pointers, std::uint16_t tag,
                  SubIfdTarget target = SubIfdTarget::ExifBlock) {
  std::optional<TiffIfd> sub = source.subIfd(ifd0, tag);
  if (!sub) return;
  for (const CopiedEntry& pointer : pointers)
    if (pointer.tag == tag) out.alignToWord(), out.put(pointer.valueField, out.tiffOffset(), 4);
  // The interoperability IFD is left behind: a pointer the copy cannot follow would be stale.
  appendIfd(out, source, entriesToCopy(source, *sub, [&](std::uint16_t t) {
              return t != kInteropIfdTag && !(target == SubIfdTarget::TiffFile && describesCompressedFile(t));
            }));
}

// A one-value RATIONAL as a number; nothing when it is not one or divides by zero.
std::optional<double> rationalOf(const TiffStructure& source, const TiffEntry& e) {
  std::optional<std::span<const std::uint8_t>> value = source.valueOf(e);
  if (e.type != kTiffTypeRational || e.count != 1 || !value || value->size() != 8) return std::nullopt;
  corvale::ByteCursor cursor(*value,
                             source.bigEndian() ? corvale::ByteOrder::Big : corvale::ByteOrder::Little);
  std::uint32_t numerator = 0, denominator = 0;
  if (!cursor.dword(0, numerator) || !cursor.dword(4, denominator) || numerator == 0 || denominator == 0)
    return std::nullopt;
  return double(numerator) / double(denominator);
}

}  // namespace

std::optional<std::vector<std::uint8_t>> BuildExifFromTiff(std::span<const std::uint8_t> file) {
  TiffStructure source(file, 0);
  if (!source.hasTiffHeader()) return std::nullopt;
  std::optional<TiffIfd> ifd0 = source.ifd0();
  if (!ifd0) return std::nullopt;
  bool exif = keepsPointer(source, *ifd0, kExifIfdTag), gps = keepsPointer(source, *ifd0, kGpsIfdTag);
  std::vector<TiffEntry> entries = entriesToCopy(source, *ifd0, [&](std::uint16_t tag) {
    return isDescriptive(tag) || (tag == kExifIfdTag && exif) || (tag == kGpsIfdTag && gps);
  });
  if (entries.empty()) return std::nullopt;
  BlockWriter out(source.bigEndian());
  std::vector<CopiedEntry> copied = appendIfd(out, source, entries);
  appendSubIfd(out, source, *ifd0, copied, kExifIfdTag);
  appendSubIfd(out, source, *ifd0, copied, kGpsIfdTag);
  if (out.full()) return std::nullopt;
  return out.take();
}

ExifIfd0ForTiff ExifIfd0FieldsForTiff(std::span<const std::uint8_t> bareExif) {
  TiffStructure source(bareExif, 0);
  ExifIfd0ForTiff fields;
  std::optional<TiffIfd> ifd0 = source.hasTiffHeader() ? source.ifd0() : std::nullopt;
  if (!ifd0) return fields;
  for (const TiffEntry& e : ifd0->entries) {
    std::optional<std::span<const std::uint8_t>> value = source.valueOf(e);
    if (!isDescriptive(e.tag) || !value) continue;
    if (e.tag == kXResolutionTag || e.tag == kYResolutionTag) {
      if (std::optional<double> dpi = rationalOf(source, e))
        (e.tag == kXResolutionTag ? fields.xResolution : fields.yResolution) = *dpi;
    } else if (e.tag == kResolutionUnitTag && e.type == kTiffTypeShort && e.count == 1) {
      if (e.value >= 1 && e.value <= 3) fields.resolutionUnit = static_cast<std::uint16_t>(e.value);
    } else if (e.type == kTiffTypeAscii) {
      std::string text(value->begin(), value->end());
      text.resize(std::min(text.size(), text.find('\0')));
      if (!text.empty()) fields.texts.push_back({e.tag, std::move(text)});
    }
  }
  return fields;
}

bool ExifHasSubIfd(std::span<const std::uint8_t> bareExif, std::uint16_t tag) {
  TiffStructure source(bareExif, 0);
  std::optional<TiffIfd> ifd0 = source.hasTiffHeader() ? source.ifd0() : std::nullopt;
  return ifd0 && keepsPointer(source, *ifd0, tag);
}

bool AppendExifSubIfds(std::vector<std::uint8_t>& file, std::span<const std::uint8_t> bareExif) {
  TiffStructure source(bareExif, 0), target(file, 0);
  if (!source.hasTiffHeader() || !target.hasTiffHeader() || source.bigEndian() != target.bigEndian())
    return false;
  std::optional<TiffIfd> sourceIfd0 = source.ifd0(), targetIfd0 = target.ifd0();
  if (!sourceIfd0 || !targetIfd0) return false;
  std::vector<CopiedEntry> pointers;
  for (const TiffEntry& e : targetIfd0->entries)
    if ((e.tag == kExifIfdTag || e.tag == kGpsIfdTag) && e.count == 1)
      pointers.push_back({e.tag, static_cast<std::size_t>(e.position) + 8});
  if (pointers.empty()) return false;
  BlockWriter out(std::move(file), source.bigEndian());
  appendSubIfd(out, source, *sourceIfd0, pointers, kExifIfdTag, SubIfdTarget::TiffFile);
  appendSubIfd(out, source, *sourceIfd0, pointers, kGpsIfdTag, SubIfdTarget::TiffFile);
  bool whole = !out.full();
  file = out.take();
  return whole;
}

}  // namespace lumivex
