// GIF files for the reader's tests: written by giflib (the independent encoder and decoder the
// reader is compared with) or built byte by byte for what giflib would never write.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "picture/picture.h"

namespace gif_testing {

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};

using Palette = std::vector<Rgb>;

struct FrameSpec {
  int left = 0, top = 0, width = 1, height = 1;
  bool interlaced = false;
  std::optional<Palette> localColours;
  std::vector<std::uint8_t> indices;  // width * height, rows top to bottom
  std::optional<int> transparentIndex;
  int delay = 0;
};

struct GifLayout {
  int screenWidth = 1, screenHeight = 1;
  std::optional<Palette> globalColours;
  std::vector<FrameSpec> frames;
};

// Writes `layout` with giflib's encoder.
void writeWithGiflib(const std::string& path, const GifLayout& layout);

// The picture the reader must give for a file: giflib decodes it (DGifSlurp); the first image's
// colours go to the top-left corner of a canvas as large as the largest of the screen and all
// images, the rest stays black; a transparent index whose colour is black shows red h, green 0,
// blue 0 with h the smallest value from 1 that the table does not hold as (h, 0, 0).
struct Expected {
  int width = 0, height = 0;
  std::vector<Rgb> pixels;
  Rgb at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};
std::optional<Expected> decodeWithGiflib(const std::string& path);

// The picture's colour at (x, y).
Rgb pixel(const corvale::Picture& picture, int x, int y);

// LZW codes of known widths, packed least significant bit first.
class CodePacker {
 public:
  void put(unsigned code, int size);
  std::vector<std::uint8_t> bytes() const;

 private:
  std::vector<std::uint8_t> bytes_;
  std::uint32_t bits_ = 0;
  int count_ = 0;
};

// Image data that codes every index as a single-index string (never a longer one), with the code
// widths a decoder expects: a clear code first (unless `leadingClear` is false), then one code per
// index, a clear code whenever the table would reach 4096 entries, and the end code. Returns the
// minimum code size byte and the data sub-blocks with their terminator.
std::vector<std::uint8_t> literalImageData(int minimumCodeSize, const std::vector<std::uint8_t>& indices,
                                           bool leadingClear = true);

// Splits `data` into sub-blocks of at most 255 bytes and appends the zero terminator.
std::vector<std::uint8_t> subBlocks(const std::vector<std::uint8_t>& data);

// A GIF file put together from its blocks.
class GifBytes {
 public:
  GifBytes& header(int screenWidth, int screenHeight, const Palette* globalColours = nullptr);
  GifBytes& graphicControl(std::uint8_t packed, std::uint16_t delay, std::uint8_t transparentIndex);
  GifBytes& imageDescriptor(int left, int top, int width, int height, std::uint8_t packed,
                            const Palette* localColours = nullptr);
  GifBytes& raw(const std::vector<std::uint8_t>& bytes);
  GifBytes& trailer() { return raw({0x3B}); }
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }

 private:
  void u16(int value);
  void colours(const Palette& palette);
  std::vector<std::uint8_t> bytes_;
};

// Size bits (packed & 7) of a colour table of `entries` entries, a power of two from 2 to 256.
std::uint8_t tableSizeBits(std::size_t entries);

// A picture loaded through loadPictureFile, released at the end of its scope.
struct LoadedPicture {
  explicit LoadedPicture(const std::string& path);
  ~LoadedPicture();
  LoadedPicture(const LoadedPicture&) = delete;
  LoadedPicture& operator=(const LoadedPicture&) = delete;
  corvale::Picture picture;
};

// The reader's result for `bytes` written to a .gif file.
LoadedPicture loadGifBytes(const std::vector<std::uint8_t>& bytes);

}  // namespace gif_testing
