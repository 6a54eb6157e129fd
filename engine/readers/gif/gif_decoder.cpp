// The block structure of a GIF file (GIF89a sections 17 to 27): header, logical screen
// descriptor, global colour table, then a stream of extensions and images. Between blocks the
// decoder reads byte by byte and acts only on an extension introducer (0x21) or an image
// separator (0x2C); every other byte (the trailer, block terminators, bytes an image's data left
// over after its end code) is passed over.
#include "readers/gif/gif_decoder.h"

#include <algorithm>

#include "readers/file_bytes.h"
#include "readers/gif/gif_colour_table.h"
#include "readers/gif/gif_control.h"
#include "readers/gif/gif_lzw.h"

namespace corvale {

namespace {

constexpr std::uint64_t kMaxGifFileBytes = std::uint64_t{1} << 31;
constexpr std::size_t kSignatureBytes = 6;  // "GIF87a" or "GIF89a", not checked
constexpr std::size_t kApplicationHeaderBytes = 12;
constexpr std::uint8_t kExtensionIntroducer = 0x21;
constexpr std::uint8_t kImageSeparator = 0x2C;
constexpr std::uint8_t kGraphicControlLabel = 0xF9;
constexpr std::uint8_t kCommentLabel = 0xFE;
constexpr std::uint8_t kApplicationLabel = 0xFF;
constexpr std::uint8_t kTrailer = 0x3B;
// A code of at most 12 bits spells at most 4096 indices: no byte of image data gives more than
// 4096 * 8 / 12 pixels. Pictures of up to 256 x 256 pixels cost nothing and may always come
// without their data.
constexpr std::uint64_t kMaxPixelsPerDataByte = 2731;
constexpr std::uint64_t kPixelsWithoutData = std::uint64_t{1} << 16;

// Data sub-blocks up to the zero-length terminator; false when the file ends first.
bool skipSubBlocks(ByteCursor& in) {
  std::uint8_t length;
  while (in.u8(length) && length != 0)
    if (!in.skip(length)) return false;
  return !in.failed();
}

// Comment sub-blocks end at the terminator, or early at a sub-block whose last byte is 0: some
// writers end the text with a C string's zero and leave out the terminator.
bool skipComment(ByteCursor& in) {
  std::uint8_t length;
  while (in.u8(length) && length != 0) {
    auto block = in.take(length);
    if (block.empty()) return false;
    if (block.back() == 0) return true;
  }
  return !in.failed();
}

// A picture larger than the bytes that could paint it is a forged size, not an image cut short:
// it is refused instead of being painted, mostly with colour 0, at the cost of gigabytes.
bool dataCouldFill(std::uint64_t width, std::uint64_t height, std::size_t dataBytes) {
  return width * height <= kPixelsWithoutData + kMaxPixelsPerDataByte * dataBytes;
}

bool startsLikeGif(std::span<const std::uint8_t> bytes) {
  return bytes.size() >= 3 && bytes[0] == 'G' && bytes[1] == 'I' && bytes[2] == 'F';
}

}  // namespace

GifDecoder::GifDecoder(std::span<const std::uint8_t> bytes, gdi::HDC referenceDc)
    : memoryDc_(gdi::CreateCompatibleDC(referenceDc)) {
  decode(bytes);
}

GifDecoder::GifDecoder(const char* path, gdi::HDC referenceDc)
    : memoryDc_(gdi::CreateCompatibleDC(referenceDc)) {
  FileBytes file = readFileBytes(path, kMaxGifFileBytes);
  if (file.failure.clean())
    decode(file.bytes);
  else
    failure_ = std::move(file.failure);
}

GifDecoder::~GifDecoder() {
  for (GifFrame& frame : frames_)
    if (frame.bitmap) gdi::DeleteObject(frame.bitmap);
  if (memoryDc_) gdi::DeleteDC(memoryDc_);
}

void GifDecoder::decode(std::span<const std::uint8_t> bytes) {
  ByteCursor in(bytes);
  bool sawTrailer = false;
  if (readScreen(in)) {
    std::uint8_t byte;
    while (in.u8(byte)) {
      if (byte == kExtensionIntroducer && !readExtension(in)) break;
      if (byte == kImageSeparator && !readFrame(in)) break;
      sawTrailer = sawTrailer || byte == kTrailer;
    }
  }
  if (!frames_.empty()) refuseForgedScreen(bytes.size());
  if (frames_.empty()) explainMissingImage(bytes, sawTrailer);
}

// Later images raise the screen too, and the picture takes the screen's size: the whole file
// must be able to paint it.
void GifDecoder::refuseForgedScreen(std::size_t fileBytes) {
  if (dataCouldFill(static_cast<std::uint64_t>(screenWidth_), static_cast<std::uint64_t>(screenHeight_),
                    fileBytes))
    return;
  failure_ =
      tooShortForItsSize(static_cast<std::uint64_t>(screenWidth_), static_cast<std::uint64_t>(screenHeight_));
  for (GifFrame& frame : frames_)
    if (frame.bitmap) gdi::DeleteObject(frame.bitmap);
  frames_.clear();
}

void GifDecoder::explainMissingImage(std::span<const std::uint8_t> bytes, bool sawTrailer) {
  if (bytes.empty())
    failure_ = {LoadCause::kTruncated, "is empty"};
  else if (!startsLikeGif(bytes))
    failure_ = {LoadCause::kNotAnImage, "is not a GIF file"};
  else if (failure_.clean())
    failure_ = sawTrailer ? LoadOutcome{LoadCause::kDamaged, "holds no image"}
                          : LoadOutcome{LoadCause::kTruncated, "is cut short before its first image"};
}

bool GifDecoder::readScreen(ByteCursor& in) {
  std::uint16_t width, height;
  std::uint8_t packed, background, aspect;
  if (!in.skip(kSignatureBytes) || !in.u16le(width) || !in.u16le(height) || !in.u8(packed) ||
      !in.u8(background) || !in.u8(aspect)) {
    failure_ = {LoadCause::kTruncated, "is cut short in its header"};
    return false;
  }
  screenWidth_ = width;
  screenHeight_ = height;
  if (!dataCouldFill(width, height, in.position() + in.remaining())) {
    failure_ = tooShortForItsSize(width, height);
    return false;
  }
  globalTableFlag_ = (packed & 0x80) != 0;
  colourResolution_ = static_cast<std::uint8_t>(((packed >> 4) & 7) + 1);
  sortFlag_ = (packed & 0x08) != 0;
  if (!globalTableFlag_) return true;
  auto table = readGifColourTable(in, packed);
  if (!table) {
    failure_ = {LoadCause::kTruncated, "is cut short in its colour table"};
    return false;
  }
  globalColours_ = std::move(*table);
  return true;
}

// Extensions this decoder does not know (plain text, anything newer) are passed over by their
// sub-block lengths, so that their contents are never taken for blocks.
bool GifDecoder::readExtension(ByteCursor& in) {
  std::uint8_t label;
  if (!in.u8(label)) return false;
  switch (label) {
    case kGraphicControlLabel: {
      auto control = readGifControl(in);
      if (!control) return false;
      pendingControls_.push_back(*control);
      return true;
    }
    case kCommentLabel:
      return skipComment(in);
    case kApplicationLabel:
      return in.skip(kApplicationHeaderBytes) && skipSubBlocks(in);
    default:
      return skipSubBlocks(in);
  }
}

// A frame with a local table uses it, and the global table takes the local table's size and its
// further colours for the frames that follow; a frame without one uses the global table.
GifColourTable& GifDecoder::coloursInUse(GifFrame& frame) {
  if (!frame.localTable) return globalColours_;
  globalColours_ = mergeLocalIntoGlobal(globalColours_, frame.localColours);
  return frame.localColours;
}

bool GifDecoder::createBitmap(GifFrame& frame, const GifColourTable& colours, gdi::DIBSECTION& dib) {
  gdi::BITMAPINFO info{};
  info.bmiHeader.biWidth = frame.width;
  info.bmiHeader.biHeight = frame.height;  // bottom-up
  info.bmiHeader.biBitCount = 8;
  info.bmiHeader.biClrUsed = static_cast<std::uint32_t>(colours.size());
  fillDibColours(colours, info);
  void* bits = nullptr;
  frame.bitmap = gdi::CreateDIBSection(memoryDc_, &info, gdi::DIB_RGB_COLORS, &bits);
  if (frame.bitmap && gdi::GetDibSection(frame.bitmap, &dib)) return true;
  if (frame.bitmap) gdi::DeleteObject(frame.bitmap);
  frame.bitmap = nullptr;
  return false;
}

// Only the first frame gets a bitmap: a first frame whose bitmap cannot be had (an empty or too
// large image, or one far larger than its data) or whose data cannot be decoded ends the decode,
// so the file loads as nothing. Later frames are decoded without keeping pixels, to find where
// their data ends.
bool GifDecoder::readFrame(ByteCursor& in) {
  if (!readFrameBlocks(in)) {
    if (frames_.empty() && failure_.clean())
      failure_ = {LoadCause::kTruncated, "is cut short in its first image"};
    return false;
  }
  return true;
}

bool GifDecoder::readFrameBlocks(ByteCursor& in) {
  ++imageCount_;
  GifFrame frame;
  frame.control = chooseGifControl(pendingControls_, lastDelay_);
  std::uint8_t packed;
  if (!in.u16le(frame.left) || !in.u16le(frame.top) || !in.u16le(frame.width) || !in.u16le(frame.height) ||
      !in.u8(packed))
    return false;
  screenWidth_ = std::max<std::int32_t>(screenWidth_, frame.width);
  screenHeight_ = std::max<std::int32_t>(screenHeight_, frame.height);
  frame.localTable = (packed & 0x80) != 0;
  frame.interlaced = (packed & 0x40) != 0;
  frame.sorted = (packed & 0x20) != 0;
  if (frame.localTable) {
    auto table = readGifColourTable(in, packed);
    if (!table) return false;
    frame.localColours = std::move(*table);
  }
  GifColourTable& colours = coloursInUse(frame);
  markTransparentColour(colours, frame.control);

  if (frames_.empty()) {
    if (!decodeFirstFrame(in, frame, colours)) return false;
  } else {
    GifFrameWriter counter(nullptr, 0, frame.width, frame.height, frame.interlaced);
    decodeGifLzw(in, counter);
  }
  frames_.push_back(std::move(frame));
  return true;
}

// The first frame must fit what follows it in the file and memory, and its data must be
// decodable; `failure_` says which it was not.
bool GifDecoder::decodeFirstFrame(ByteCursor& in, GifFrame& frame, const GifColourTable& colours) {
  if (frame.width == 0 || frame.height == 0) {
    failure_ = {LoadCause::kDamaged, "has an image of no pixels"};
    return false;
  }
  if (!dataCouldFill(frame.width, frame.height, in.remaining())) {
    failure_ = tooShortForItsSize(frame.width, frame.height);
    return false;
  }
  gdi::DIBSECTION dib;
  if (!createBitmap(frame, colours, dib)) {
    failure_ = tooLargeForMemory(frame.width, frame.height);
    return false;
  }
  GifFrameWriter writer(dib.bits, static_cast<std::size_t>(dib.stride), frame.width, frame.height,
                        frame.interlaced);
  LoadOutcome outcome = decodeGifLzw(in, writer);
  if (outcome.clean() || outcome.warned()) {
    warning_ = std::move(outcome);
    return true;
  }
  failure_ = std::move(outcome);
  gdi::DeleteObject(frame.bitmap);
  frame.bitmap = nullptr;
  return false;
}

}  // namespace corvale
