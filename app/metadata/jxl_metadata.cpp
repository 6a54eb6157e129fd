// A JPEG XL file's metadata. A container file (ISO BMFF boxes: the signature box "JXL ", "ftyp",
// then the codestream in "jxlc" or "jxlp" boxes among the metadata boxes) keeps its Exif block in
// an "Exif" box and its XMP packet in an "xml " box; a bare codestream (FF 0A) has no boxes. The
// colour profile is part of the codestream's header in either form, and libjxl's decoder reads it
// from the file's first bytes.
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <stdexcept>

#include "libraries/lazy_jxl.h"
#include "metadata/heif_metadata.h"
#include "metadata/metadata_readers.h"
#include "metadata/tiff_structure.h"
#include "readers/byte_cursor.h"
#include "readers/jxl_colour.h"

namespace lumivex {
namespace {

// No Exif block, XMP packet or profile worth carrying is larger; larger boxes are passed over.
constexpr std::uint64_t kLargestBlock = 16u << 20;
constexpr int kMaxBoxes = 100000;  // a file of empty boxes ends the walk in reasonable time
// The decoder is fed the file in pieces until it has the colour encoding: the codestream's header
// is small, but metadata boxes may come before it.
constexpr std::uint64_t kPieceBytes = 64u << 10;
constexpr std::uint64_t kMostHeaderBytes = 64u << 20;
constexpr std::array<std::uint8_t, 12> kContainerSignature{0,   0,   0,    0x0C, 'J',  'X',
                                                           'L', ' ', 0x0D, 0x0A, 0x87, 0x0A};
constexpr std::uint64_t kBoxHeaderBytes = 8;
constexpr std::uint64_t kLargeBoxHeaderBytes = 16;

struct Box {
  std::array<char, 4> type{};
  std::uint64_t payloadStart = 0;
  std::uint64_t payloadSize = 0;
};

std::uint64_t sizeOf(std::FILE* file) {
  struct stat status {};
  if (::fstat(::fileno(file), &status) != 0 || status.st_size <= 0) return 0;
  return static_cast<std::uint64_t>(status.st_size);
}

bool isContainer(std::FILE* file, std::uint64_t fileSize) {
  if (fileSize < kContainerSignature.size()) return false;
  std::optional<std::vector<std::uint8_t>> head = ReadFileRange(file, 0, kContainerSignature.size());
  return head && std::equal(kContainerSignature.begin(), kContainerSignature.end(), head->begin());
}

// The box whose header starts at `offset`: a 4-byte big-endian size and a type, then an 8-byte
// size when the first is 1; a size of 0 runs to the end of the file. Nothing when the header or
// the box does not fit in the file, or the size is less than the header.
std::optional<Box> boxAt(std::FILE* file, std::uint64_t offset, std::uint64_t fileSize) {
  const std::uint64_t left = fileSize - offset;
  std::optional<std::vector<std::uint8_t>> head =
      ReadFileRange(file, offset, std::min(left, kLargeBoxHeaderBytes));
  if (!head) return std::nullopt;
  corvale::ByteCursor cursor(*head, corvale::ByteOrder::Big);
  std::uint32_t size = 0, high = 0, low = 0;
  std::span<const std::uint8_t> type;
  if (!cursor.u32be(size) || (type = cursor.take(4)).empty()) return std::nullopt;
  std::uint64_t header = kBoxHeaderBytes, boxSize = size;
  if (size == 1) {
    if (!cursor.u32be(high) || !cursor.u32be(low)) return std::nullopt;
    header = kLargeBoxHeaderBytes;
    boxSize = std::uint64_t{high} << 32 | low;
  } else if (size == 0) {
    boxSize = left;
  }
  if (boxSize < header || boxSize > left) return std::nullopt;
  Box box;
  std::copy(type.begin(), type.end(), box.type.begin());
  box.payloadStart = offset + header;
  box.payloadSize = boxSize - header;
  return box;
}

bool isType(const Box& box, const char* type) { return std::memcmp(box.type.data(), type, 4) == 0; }

// The Exif box is framed as a HEIF Exif item is: a 4-byte offset to the TIFF header, then the
// block. Boxes compressed with Brotli ("brob") are passed over like every other box.
void takeBox(std::FILE* file, const Box& box, PhotoMetadata& out) {
  const bool exif = isType(box, "Exif") && out.exif.empty();
  const bool xmp = isType(box, "xml ") && out.xmp.empty();
  if ((!exif && !xmp) || box.payloadSize > kLargestBlock) return;
  std::optional<std::vector<std::uint8_t>> payload = ReadFileRange(file, box.payloadStart, box.payloadSize);
  if (!payload) return;
  if (xmp) {
    out.xmp = std::move(*payload);
  } else if (std::optional<std::vector<std::uint8_t>> block = ExifBlockFromHeifItem(*payload)) {
    MarkExifUpright(*block);
    out.exif = std::move(*block);
  }
}

// Box after box up to the end of the file; a box that does not fit ends the walk.
void readBoxes(std::FILE* file, std::uint64_t fileSize, PhotoMetadata& out) {
  std::uint64_t offset = 0;
  for (int n = 0; n < kMaxBoxes && offset < fileSize; ++n) {
    std::optional<Box> box = boxAt(file, offset, fileSize);
    if (!box) return;
    takeBox(file, *box, out);
    offset = box->payloadStart + box->payloadSize;
  }
}

bool isPlainSrgb(const JxlColorEncoding& encoding) {
  return encoding.color_space == JXL_COLOR_SPACE_RGB && encoding.white_point == JXL_WHITE_POINT_D65 &&
         encoding.primaries == JXL_PRIMARIES_SRGB && encoding.transfer_function == JXL_TRANSFER_FUNCTION_SRGB;
}

// The profile of the pixels libjxl's decoder gives, asked for as the engine's reader asks
// (readers/jxl_colour.h): the attached profile, or the one libjxl describes an enumerated colour
// space by. They differ from the file's original profile only for a lossy (XYB) file with an
// attached profile, which is given in sRGB: the original profile would misdescribe those pixels.
// Plain sRGB needs no profile.
std::vector<std::uint8_t> profileOfPixels(const JxlDecoder* decoder) {
  constexpr JxlColorProfileTarget kPixels = JXL_COLOR_PROFILE_TARGET_DATA;
  JxlColorEncoding encoding;
  if (JxlDecoderGetColorAsEncodedProfile(decoder, nullptr, kPixels, &encoding) == JXL_DEC_SUCCESS &&
      isPlainSrgb(encoding))
    return {};
  std::size_t size = 0;
  if (JxlDecoderGetICCProfileSize(decoder, nullptr, kPixels, &size) != JXL_DEC_SUCCESS || size == 0 ||
      size > kLargestBlock)
    return {};
  std::vector<std::uint8_t> profile(size);
  if (JxlDecoderGetColorAsICCProfile(decoder, nullptr, kPixels, profile.data(), size) != JXL_DEC_SUCCESS)
    return {};
  return profile;
}

// The bytes the decoder left unread, then the file's next piece, as its new input; false when
// the file (or the part of it a header may take) is used up or cannot be read.
bool feedNextPiece(JxlDecoder* decoder, std::FILE* file, std::uint64_t fileSize,
                   std::vector<std::uint8_t>& input, std::uint64_t& fed) {
  const std::uint64_t end = std::min(fileSize, kMostHeaderBytes);
  if (fed >= end) return false;
  const std::size_t unread = input.empty() ? 0 : JxlDecoderReleaseInput(decoder);
  input.erase(input.begin(), input.end() - static_cast<std::ptrdiff_t>(std::min(unread, input.size())));
  std::optional<std::vector<std::uint8_t>> piece = ReadFileRange(file, fed, std::min(kPieceBytes, end - fed));
  if (!piece) return false;
  fed += piece->size();
  input.insert(input.end(), piece->begin(), piece->end());
  if (JxlDecoderSetInput(decoder, input.data(), input.size()) != JXL_DEC_SUCCESS) return false;
  if (fed == fileSize) JxlDecoderCloseInput(decoder);
  return true;
}

std::vector<std::uint8_t> codestreamProfile(std::FILE* file, std::uint64_t fileSize) {
  JxlDecoderPtr decoder = JxlDecoderMake(nullptr);
  if (!decoder || JxlDecoderSubscribeEvents(decoder.get(), JXL_DEC_COLOR_ENCODING) != JXL_DEC_SUCCESS)
    return {};
  std::vector<std::uint8_t> input;
  std::uint64_t fed = 0;
  if (!feedNextPiece(decoder.get(), file, fileSize, input, fed)) return {};
  for (;;) {
    switch (JxlDecoderProcessInput(decoder.get())) {
      case JXL_DEC_COLOR_ENCODING:
        corvale::askDisplayableColours(decoder.get());
        return profileOfPixels(decoder.get());
      case JXL_DEC_NEED_MORE_INPUT:
        if (!feedNextPiece(decoder.get(), file, fileSize, input, fed)) return {};
        break;
      default:
        return {};
    }
  }
}

}  // namespace

// The engine's JPEG XL reader turns the pixels as the codestream's orientation says, so the
// Exif block says orientation 1 and the batch does not turn the photo again.
void ReadJxlMetadata(std::FILE* file, PhotoMetadata& out) {
  const std::uint64_t fileSize = sizeOf(file);
  if (fileSize == 0) return;
  out.turnedByReader = true;
  if (isContainer(file, fileSize)) readBoxes(file, fileSize, out);
  // Without libjxl (it could not be opened) the codestream's profile stays unknown; the engine's
  // reader then names the reason the photo cannot be read.
  try {
    out.icc = codestreamProfile(file, fileSize);
  } catch (const std::runtime_error&) {
  }
}

}  // namespace lumivex
