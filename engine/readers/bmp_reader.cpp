// Windows bitmap files: uncompressed 24-bit (bottom-up or top-down) and 8-bit run-length encoded
// (RLE8). Layout after the Microsoft "BMP file format" description: a 14-byte file header, a
// 40-byte BITMAPINFOHEADER, for RLE8 a colour table, then the pixel data. Every size, offset and
// run is checked against the file before it is used, and a picture is refused before it is
// allocated when the file is far too short to hold the pixels it declares.
#include <algorithm>
#include <cstdlib>

#include "readers/byte_cursor.h"
#include "readers/file_bytes.h"
#include "readers/readers.h"

namespace corvale {

namespace {

constexpr std::uint64_t kMaxBmpFileBytes = std::uint64_t{1} << 31;
constexpr std::uint32_t kHeadersSize = 54;
constexpr std::uint32_t kInfoHeaderSize = 40;
// An RLE8 run of two bytes paints at most 255 pixels: no file of run data codes more than 128
// pixels a byte. Small pictures are let through whatever their data, as they cost nothing.
constexpr std::uint64_t kMaxRle8PixelsPerByte = 128;
constexpr std::uint64_t kPixelsWithoutData = std::uint64_t{1} << 16;

struct BmpHeaders {
  std::uint32_t dataOffset = 0;
  std::uint32_t infoSize = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;  // negative: rows stored top-down
  std::uint16_t bitCount = 0;
  std::uint32_t compression = 0;
  std::uint32_t coloursUsed = 0;
};

LoadOutcome readHeaders(ByteCursor& in, BmpHeaders& h) {
  std::uint16_t type, planes;
  std::uint32_t fileSize, reserved, imageSize, unused;
  std::int32_t xRes, yRes;
  if (!in.u16le(type) || type != 0x4D42)
    return in.failed() ? LoadOutcome{LoadCause::kTruncated, "is cut short in its header"}
                       : LoadOutcome{LoadCause::kNotAnImage, "is not a BMP file"};
  if (!in.u32le(fileSize) || !in.u32le(reserved) || !in.u32le(h.dataOffset) || !in.u32le(h.infoSize))
    return {LoadCause::kTruncated, "is cut short in its header"};
  if (h.infoSize != kInfoHeaderSize)
    return {LoadCause::kUnsupported,
            "BMP with a " + std::to_string(h.infoSize) + "-byte info header is not supported"};
  if (!in.i32le(h.width) || !in.i32le(h.height) || !in.u16le(planes) || !in.u16le(h.bitCount) ||
      !in.u32le(h.compression) || !in.u32le(imageSize) || !in.i32le(xRes) || !in.i32le(yRes) ||
      !in.u32le(h.coloursUsed) || !in.u32le(unused))
    return {LoadCause::kTruncated, "is cut short in its header"};
  return {};
}

LoadOutcome unsupportedLayout(const BmpHeaders& h) {
  static const char* const kCompressionNames[] = {"", "RLE8 ", "RLE4 ", "bit-field ", "JPEG ", "PNG "};
  std::string compression = h.compression < std::size(kCompressionNames)
                                ? kCompressionNames[h.compression]
                                : "compression-" + std::to_string(h.compression) + " ";
  return {LoadCause::kUnsupported,
          std::to_string(h.bitCount) + "-bit " + compression + "BMP is not supported"};
}

LoadOutcome badSize(const BmpHeaders& h) {
  return {LoadCause::kDamaged,
          "has an invalid size (" + std::to_string(h.width) + " x " + std::to_string(h.height) + ")"};
}

LoadOutcome allocate(Picture& picture, std::int32_t width, std::int32_t height, gdi::HDC referenceDc) {
  allocatePicture(picture, width, height, referenceDc);
  return picture.empty()
             ? tooLargeForMemory(static_cast<std::uint64_t>(width), static_cast<std::uint64_t>(height))
             : LoadOutcome();
}

// Rows of 3 * width bytes padded to four. Rows the file does not hold stay black: a truncated
// file shows as much of the image as it carries, down to a last row that lacks only its padding.
// A file holding less than half its rows is a forged size or mostly missing, and is refused.
LoadOutcome readUncompressed24(ByteCursor& in, const BmpHeaders& h, gdi::HDC referenceDc, Picture& picture) {
  if (h.width <= 0 || h.height == 0 || h.height == INT32_MIN) return badSize(h);
  bool topDown = h.height < 0;
  std::int32_t height = topDown ? -h.height : h.height;
  if (h.dataOffset > kHeadersSize && !in.seek(h.dataOffset))
    return {LoadCause::kTruncated, "is cut short before its pixels"};
  std::size_t pixelBytes = static_cast<std::size_t>(h.width) * 3;
  std::size_t rowBytes = (pixelBytes + 3) & ~std::size_t{3};
  if (in.remaining() < rowBytes * static_cast<std::uint64_t>(height) / 2)
    return tooShortForItsSize(h.width, height);
  if (LoadOutcome failure = allocate(picture, h.width, height, referenceDc); !failure.clean()) return failure;
  for (std::int32_t fileRow = 0; fileRow < height && in.remaining() >= pixelBytes; ++fileRow) {
    auto row = in.take(std::min(rowBytes, in.remaining()));
    std::int32_t y = topDown ? fileRow : height - 1 - fileRow;
    std::uint8_t* out = pixelAt(picture, 0, y);
    for (std::int32_t x = 0; x < h.width; ++x, out += 4) {
      out[0] = row[3 * x], out[1] = row[3 * x + 1], out[2] = row[3 * x + 2];
    }
  }
  return {};
}

class Rle8Painter {
 public:
  Rle8Painter(Picture& picture, const std::uint8_t (*palette)[4]) : picture_(picture), palette_(palette) {}

  void paint(std::uint8_t index) {
    if (x_ < picture_.width && y_ >= 0) {  // runs past the row's end are dropped
      std::uint8_t* out = pixelAt(picture_, x_, y_);
      for (int k = 0; k < 4; ++k) out[k] = palette_[index][k];
    }
    if (x_ < picture_.width) ++x_;
  }
  void endOfLine() { x_ = 0, --y_; }
  void delta(std::uint8_t right, std::uint8_t up) {
    x_ = x_ + right < picture_.width ? x_ + right : picture_.width;
    y_ -= up;
  }
  bool finished() const { return y_ < 0; }

 private:
  Picture& picture_;
  const std::uint8_t (*palette_)[4];
  std::int32_t x_ = 0;
  std::int32_t y_ = picture_.height - 1;  // the file's first row is the picture's last
};

void paintRuns(ByteCursor& in, Rle8Painter& painter) {
  std::uint8_t count, value;
  while (!painter.finished() && in.u8(count) && in.u8(value)) {
    if (count > 0) {
      for (int i = 0; i < count; ++i) painter.paint(value);
    } else if (value == 0) {
      painter.endOfLine();
    } else if (value == 1) {
      break;
    } else if (value == 2) {
      std::uint8_t right, up;
      if (!in.u8(right) || !in.u8(up)) break;
      painter.delta(right, up);
    } else {
      auto run = in.take(std::min<std::size_t>(value, in.remaining()));  // a cut-off run paints what it has
      for (std::uint8_t index : run) painter.paint(index);
      if (run.size() != value || ((value & 1) && !in.skip(1))) break;
    }
  }
}

// Colour table of `colours used` entries (256 when that field is 0 or too large), then the run
// data at the pixel data offset when that lies after the table, else right after the table.
LoadOutcome readRle8(ByteCursor& in, const BmpHeaders& h, gdi::HDC referenceDc, Picture& picture) {
  if (h.width <= 0 || h.height <= 0) return badSize(h);  // RLE8 rows are always stored bottom-up
  std::uint32_t colours = h.coloursUsed >= 1 && h.coloursUsed <= 256 ? h.coloursUsed : 256;
  std::uint8_t palette[256][4] = {};
  for (std::uint32_t i = 0; i < colours; ++i)
    for (int k = 0; k < 4; ++k)
      if (!in.u8(palette[i][k])) return {LoadCause::kTruncated, "is cut short in its colour table"};
  if (h.dataOffset > in.position() && !in.seek(h.dataOffset))
    return {LoadCause::kTruncated, "is cut short before its pixels"};
  std::uint64_t pixels =
      std::uint64_t{static_cast<std::uint32_t>(h.width)} * static_cast<std::uint32_t>(h.height);
  if (pixels > kPixelsWithoutData + kMaxRle8PixelsPerByte * in.remaining())
    return tooShortForItsSize(h.width, h.height);
  if (LoadOutcome failure = allocate(picture, h.width, h.height, referenceDc); !failure.clean())
    return failure;
  Rle8Painter painter(picture, palette);
  paintRuns(in, painter);
  return {};
}

}  // namespace

LoadOutcome readBmpBytes(Bytes bytes, gdi::HDC referenceDc, Picture& picture) {
  releasePicture(picture);
  if (bytes.empty()) return {LoadCause::kTruncated, "is empty"};
  ByteCursor in(bytes);
  BmpHeaders h;
  if (LoadOutcome failure = readHeaders(in, h); !failure.clean()) return failure;
  if (h.bitCount == 24 && h.compression == 0) return readUncompressed24(in, h, referenceDc, picture);
  if (h.bitCount == 8 && h.compression == 1) return readRle8(in, h, referenceDc, picture);
  return unsupportedLayout(h);
}

LoadOutcome readBmpFile(const char* path, gdi::HDC referenceDc, Picture& picture) {
  releasePicture(picture);
  FileBytes file = readFileBytes(path, kMaxBmpFileBytes);
  if (!file.failure.clean()) return file.failure;
  return readBmpBytes(file.bytes, referenceDc, picture);
}

}  // namespace corvale
