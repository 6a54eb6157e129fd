// The headers of a BMP file. All of them start with the same 14-byte file header and the info
// header's size, which says which kind follows; fields an OS/2 2.x header leaves out are 0. The
// masks of a bit-field file are in its header from 52 bytes on, else right after a 40-byte one.
#include "readers/bmp_layout.h"

#include <cstdint>
#include <span>
#include <string>

namespace corvale {

namespace {

using Bytes = std::span<const std::uint8_t>;

constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kLargestInfoSize = 124;
constexpr std::uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6;

const LoadOutcome kCutInHeader{LoadCause::kTruncated, "is cut short in its header"};

bool isOs2Header(std::uint32_t size) {
  return size == kCoreHeaderSize || (size >= 16 && size <= 64 && size != 40 && size != 52 && size != 56);
}

bool isWindowsHeader(std::uint32_t size) {
  return size == 40 || size == 52 || size == 56 || size == 108 || size == kLargestInfoSize;
}

// A field of the info header at `offset` from its start, or 0 when the header is shorter.
std::uint32_t field32(Bytes body, std::size_t offset) {
  ByteCursor at(body);
  std::uint32_t value = 0;
  return at.seek(offset - 4) && at.u32le(value) ? value : 0;
}

std::uint16_t field16(Bytes body, std::size_t offset) {
  ByteCursor at(body);
  std::uint16_t value = 0;
  return at.seek(offset - 4) && at.u16le(value) ? value : 0;
}

LoadOutcome unsupported(const BmpLayout& h) {
  static const char* const kCompressionNames[] = {"", "RLE8 ", "RLE4 ", "bit-field ", "JPEG ", "PNG "};
  std::string compression = h.compression < std::size(kCompressionNames)
                                ? kCompressionNames[h.compression]
                                : "compression-" + std::to_string(h.compression) + " ";
  if (isOs2Header(h.infoSize) && (h.compression == 3 || h.compression == 4))
    compression = h.compression == 3 ? "OS/2 Huffman " : "OS/2 RLE24 ";
  return {LoadCause::kUnsupported,
          std::to_string(h.bitCount) + "-bit " + compression + "BMP is not supported"};
}

// The coding from the bit count and the compression.
LoadOutcome chooseCoding(BmpLayout& h) {
  bool os2 = isOs2Header(h.infoSize);
  std::uint16_t bits = h.bitCount;
  if (h.compression == kRgb && (bits == 1 || bits == 2 || bits == 4 || bits == 8))
    h.coding = BmpCoding::kPalette;
  else if (h.compression == kRgb && bits == 24)
    h.coding = BmpCoding::kRgb24;
  else if (h.compression == kRgb && bits == 16)
    h.coding = BmpCoding::kBitFields, h.masks = {0x7C00, 0x03E0, 0x001F, 0};
  else if (h.compression == kRgb && bits == 32)
    h.coding = BmpCoding::kBitFields, h.masks = {0xFF0000, 0xFF00, 0xFF, 0};
  else if (h.compression == kRle8 && bits == 8)
    h.coding = BmpCoding::kRle8;
  else if (h.compression == kRle4 && bits == 4)
    h.coding = BmpCoding::kRle4;
  else if (!os2 && (h.compression == kBitFields || h.compression == kAlphaBitFields) &&
           (bits == 16 || bits == 32))
    h.coding = BmpCoding::kBitFields;
  else
    return unsupported(h);
  return {};
}

// Masks in the header (52 bytes and more), or after a 40-byte one: three, or four with alpha.
LoadOutcome readMasks(ByteCursor& in, Bytes body, BmpLayout& h) {
  if (h.infoSize >= 52) {
    for (std::size_t i = 0; i < 3; ++i) h.masks[i] = field32(body, 40 + 4 * i);
    if (h.infoSize >= 56) h.masks[3] = field32(body, 52);
  } else {
    std::size_t count = h.compression == kAlphaBitFields ? 4 : 3;
    for (std::size_t i = 0; i < count; ++i)
      if (!in.u32le(h.masks[i])) return kCutInHeader;
  }
  if ((h.masks[0] | h.masks[1] | h.masks[2]) == 0)
    return {LoadCause::kDamaged, "has bit-field masks of no colour"};
  return {};
}

// `colours used` entries (all the bit count allows when that field is 0 or too large), never
// reaching into pixel data that starts earlier.
LoadOutcome readPalette(ByteCursor& in, Bytes body, BmpLayout& h) {
  std::uint32_t most = 1u << h.bitCount;
  std::uint32_t used = h.infoSize == kCoreHeaderSize ? 0 : field32(body, 32);
  std::uint32_t colours = used >= 1 && used <= most ? used : most;
  std::size_t entryBytes = h.infoSize == kCoreHeaderSize ? 3 : 4;
  if (h.dataOffset > in.position() && h.dataOffset < in.position() + colours * entryBytes)
    colours = static_cast<std::uint32_t>((h.dataOffset - in.position()) / entryBytes);
  for (std::uint32_t i = 0; i < colours; ++i) {
    Bytes entry = in.take(entryBytes);
    if (entry.empty()) return {LoadCause::kTruncated, "is cut short in its colour table"};
    for (std::size_t k = 0; k < entryBytes; ++k) h.palette[i][k] = entry[k];
  }
  return {};
}

}  // namespace

LoadOutcome readBmpLayout(ByteCursor& in, BmpLayout& h) {
  std::uint16_t type;
  std::uint32_t fileSize, reserved;
  if (!in.u16le(type) || type != 0x4D42)
    return in.failed() ? kCutInHeader : LoadOutcome{LoadCause::kNotAnImage, "is not a BMP file"};
  if (!in.u32le(fileSize) || !in.u32le(reserved) || !in.u32le(h.dataOffset) || !in.u32le(h.infoSize))
    return kCutInHeader;
  if (!isOs2Header(h.infoSize) && !isWindowsHeader(h.infoSize))
    return {LoadCause::kUnsupported,
            "BMP with a " + std::to_string(h.infoSize) + "-byte info header is not supported"};
  Bytes body = in.take(h.infoSize - 4);
  if (in.failed()) return kCutInHeader;
  std::int64_t height;
  if (h.infoSize == kCoreHeaderSize) {
    h.width = field16(body, 4);
    height = field16(body, 6);
    h.bitCount = field16(body, 10);
  } else {
    h.width = static_cast<std::int32_t>(field32(body, 4));
    height = static_cast<std::int32_t>(field32(body, 8));
    h.bitCount = field16(body, 14);
    h.compression = field32(body, 16);
  }
  h.topDown = height < 0;
  h.height = static_cast<std::int32_t>(h.topDown ? -height : height);
  bool compressed = h.compression == kRle8 || h.compression == kRle4;
  if (h.width <= 0 || height == 0 || height < -INT32_MAX || (compressed && h.topDown))
    return {LoadCause::kDamaged,
            "has an invalid size (" + std::to_string(h.width) + " x " + std::to_string(height) + ")"};
  if (LoadOutcome refusal = chooseCoding(h); !refusal.clean()) return refusal;
  if (h.coding == BmpCoding::kBitFields && h.compression != kRgb)
    if (LoadOutcome refusal = readMasks(in, body, h); !refusal.clean()) return refusal;
  bool indexed =
      h.coding == BmpCoding::kPalette || h.coding == BmpCoding::kRle8 || h.coding == BmpCoding::kRle4;
  if (indexed)
    if (LoadOutcome refusal = readPalette(in, body, h); !refusal.clean()) return refusal;
  if (h.dataOffset > in.position() && !in.seek(h.dataOffset))
    return {LoadCause::kTruncated, "is cut short before its pixels"};
  return {};
}

}  // namespace corvale
