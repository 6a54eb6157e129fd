// Helpers of the encoder tests: libjpeg-turbo as the independent decoder of what cJpeg writes,
// pictures in device contexts to sample from, and the measures used to compare images.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "encoder/cjpeg.h"
#include "platform/gdi.h"

namespace encoder_tests {

struct DecodedComponent {
  int id = 0;
  int h = 0;
  int v = 0;
  int quantTable = 0;
};

struct DecodedJpeg {
  bool ok = false;
  std::string error;
  int width = 0;
  int height = 0;
  int channels = 0;  // 1 grey, 3 RGB
  std::vector<DecodedComponent> components;
  std::array<bool, 4> hasQuantTable{};
  std::array<std::array<int, 64>, 4> quantTables{};  // natural order (row * 8 + column)
  std::vector<std::uint8_t> pixels;                  // rows top-down, channels interleaved
};

// Decodes with libjpeg-turbo. A fatal error gives ok = false and the library's message; any
// warning (corrupt data, extraneous bytes, premature end) fails the running test. scaleDenom
// 1, 2, 4 or 8 decodes at that fraction of the size.
DecodedJpeg decodeJpeg(const std::vector<std::uint8_t>& bytes, int scaleDenom = 1);
DecodedJpeg decodeJpegFile(const std::string& path, int scaleDenom = 1);

// The quantized coefficients of every component as libjpeg-turbo reads them back, block by block
// in raster order of each component's block grid, zig-zag order inside a block (our layout).
std::vector<std::vector<std::int16_t>> readCoefficients(const std::vector<std::uint8_t>& bytes);

// An RGB image, rows top-down, three bytes per pixel.
struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;
  const std::uint8_t* at(int x, int y) const {
    return rgb.data() + (static_cast<std::size_t>(y) * width + x) * 3;
  }
};

// The same picture through libjpeg-turbo's encoder: YCbCr 4:2:0, float DCT, optimised Huffman
// tables, and libjpeg's own tables at `quality` or the given ones (natural order). The reference
// that cJpeg's size and fidelity are measured by.
struct RgbImage;
using TablePair = std::array<std::array<int, 64>, 2>;
std::vector<std::uint8_t> encodeWithLibjpeg(const RgbImage& image, int quality,
                                            const TablePair* tables = nullptr);

// A deterministic picture with smooth gradients, soft edges and some texture (integer formulas,
// so it is the same on every machine).
RgbImage syntheticImage(int width, int height);

// A picture as the engine keeps it: a 32-bit top-down DIB section in a memory device context.
class DcPicture {
 public:
  explicit DcPicture(const RgbImage& image);
  ~DcPicture();
  DcPicture(const DcPicture&) = delete;
  DcPicture& operator=(const DcPicture&) = delete;
  gdi::HDC dc() const { return dc_; }

 private:
  gdi::HDC dc_ = nullptr;
  gdi::HBITMAP bitmap_ = nullptr;
  gdi::HGDIOBJ previous_ = nullptr;
};

// Peak signal-to-noise ratio in dB over all channels of two images of equal size and channels.
double psnr(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b);

// Samples the image with `encoder` and saves it into a fresh temporary folder; the file's bytes.
std::vector<std::uint8_t> encodeImage(lumivex::cJpeg& encoder, const RgbImage& image);

// The image decoded by libjpeg-turbo (quality and factors as given to `encoder`).
RgbImage rgbOf(const DecodedJpeg& decoded);

// FNV-1a, 64 bits.
std::uint64_t fnv1a(const std::vector<std::uint8_t>& bytes);

// Offsets of the markers of the segments before the first scan, and the offset of each SOS.
struct SegmentList {
  std::vector<std::uint8_t> markers;  // marker codes in order: D8, E1, FE, DB, C0, C4, DA, ..., D9
  std::vector<std::size_t> offsets;   // offset of each marker's 0xFF
};
SegmentList listSegments(const std::vector<std::uint8_t>& bytes);

}  // namespace encoder_tests
