// The engine's own GIF decoder. It reads the whole file at construction: the logical screen, the
// global colour table, the graphic control extensions and every image, in file order. The first
// image is decoded into an 8-bit bottom-up bitmap with its own colour table; later images are
// decoded only as far as needed to find where they end, and keep their descriptors and controls
// but no pixels, since nothing shows them.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "picture/load_cause.h"
#include "platform/gdi.h"
#include "readers/byte_cursor.h"

namespace corvale {

struct GifColour {
  std::uint8_t red = 0, green = 0, blue = 0;
  bool operator==(const GifColour&) const = default;
};

using GifColourTable = std::vector<GifColour>;

// One graphic control extension (GIF89a section 23).
struct GifControl {
  std::uint8_t disposal = 0;  // (packed >> 2) & 7
  std::uint16_t delay = 0;    // hundredths of a second
  bool userInput = false;
  bool transparent = false;
  std::uint8_t transparentIndex = 0;
  GifColour transparentColour;  // what the transparent index finally shows in the frame
};

// One image descriptor (GIF89a section 20) with what was decoded for it.
struct GifFrame {
  std::uint16_t left = 0, top = 0, width = 0, height = 0;
  bool localTable = false, interlaced = false, sorted = false;
  GifColourTable localColours;
  GifControl control;
  gdi::HBITMAP bitmap = nullptr;  // the first frame's pixels; null for later frames
};

class GifDecoder {
 public:
  GifDecoder(const char* path, gdi::HDC referenceDc);
  GifDecoder(std::span<const std::uint8_t> bytes, gdi::HDC referenceDc);
  ~GifDecoder();
  GifDecoder(const GifDecoder&) = delete;
  GifDecoder& operator=(const GifDecoder&) = delete;

  // The logical screen, raised to the largest image width and height met.
  std::int32_t screenWidth() const { return screenWidth_; }
  std::int32_t screenHeight() const { return screenHeight_; }
  const std::vector<GifFrame>& frames() const { return frames_; }
  int imageCount() const { return imageCount_; }
  const GifColourTable& globalColours() const { return globalColours_; }
  // Why the file gave no image (then frames() is empty): not a GIF, cut short, a size the file
  // cannot hold, and so on; clean when it gave one.
  const LoadOutcome& failure() const { return failure_; }
  // What the first image's data lacked when it was decoded all the same (cut short): a warning,
  // or clean.
  const LoadOutcome& warning() const { return warning_; }

 private:
  void decode(std::span<const std::uint8_t> bytes);
  void explainMissingImage(std::span<const std::uint8_t> bytes, bool sawTrailer);
  void refuseForgedScreen(std::size_t fileBytes);
  bool readScreen(ByteCursor& in);
  bool readExtension(ByteCursor& in);
  bool readFrame(ByteCursor& in);
  bool readFrameBlocks(ByteCursor& in);
  bool decodeFirstFrame(ByteCursor& in, GifFrame& frame, const GifColourTable& colours);
  GifControl chooseControl();
  GifColourTable& coloursInUse(GifFrame& frame);
  bool createBitmap(GifFrame& frame, const GifColourTable& colours, gdi::DIBSECTION& dib);

  gdi::HDC memoryDc_ = nullptr;
  std::int32_t screenWidth_ = 0;
  std::int32_t screenHeight_ = 0;
  bool globalTableFlag_ = false;
  std::uint8_t colourResolution_ = 0;
  bool sortFlag_ = false;
  GifColourTable globalColours_;
  std::vector<GifControl> pendingControls_;
  std::vector<GifFrame> frames_;
  std::uint16_t lastDelay_ = 0;
  int imageCount_ = 0;
  LoadOutcome failure_;
  LoadOutcome warning_;
};

}  // namespace corvale
