// The BMP writer. Layout (all integers little-endian), W and H the picture's size and S = 3 W
// rounded up to a multiple of 4:
//   0 "BM" | 2 file size S*H + 54 | 6, 8 reserved 0 | 10 pixel data offset 54
//   14 header size 40 | 18 W | 22 H (positive: bottom-up) | 26 planes 1 | 28 bits 24
//   30 compression 0 | 34 image size 0 | 38, 42 resolutions 0 | 46, 50 colour counts 0
//   54 rows H-1 down to 0, each W pixels of blue, green, red, then S - 3 W zero bytes.
#include "writers/bmp_writer.h"

#include <cstdint>
#include <cstdio>
#include <vector>

namespace corvale {

namespace {

constexpr std::uint32_t kHeadersSize = 54;

class LittleEndianBytes {
 public:
  void put16(std::uint16_t v) {
    bytes_.push_back(static_cast<std::uint8_t>(v));
    bytes_.push_back(static_cast<std::uint8_t>(v >> 8));
  }
  void put32(std::uint32_t v) {
    put16(static_cast<std::uint16_t>(v));
    put16(static_cast<std::uint16_t>(v >> 16));
  }
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
};

std::size_t fileRowBytes(std::int32_t width) { return (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4; }

std::vector<std::uint8_t> headers(std::int32_t width, std::int32_t height) {
  const std::uint64_t fileSize = fileRowBytes(width) * static_cast<std::uint64_t>(height) + kHeadersSize;
  LittleEndianBytes out;
  out.put16(0x4D42);  // "BM"
  out.put32(static_cast<std::uint32_t>(fileSize));
  out.put16(0);
  out.put16(0);
  out.put32(kHeadersSize);
  out.put32(40);
  out.put32(static_cast<std::uint32_t>(width));
  out.put32(static_cast<std::uint32_t>(height));
  out.put16(1);
  out.put16(24);
  for (int field = 0; field < 6; ++field) out.put32(0);  // compression, image size, resolutions, colours
  return out.bytes();
}

// `row` holds one file row; its padding stays zero.
void writeRows(const Picture& picture, std::vector<std::uint8_t>& row, std::FILE* file) {
  for (std::int32_t y = picture.height - 1; y >= 0; --y) {
    const std::uint8_t* pixel = pixelAt(picture, 0, y);
    for (std::int32_t x = 0; x < picture.width; ++x, pixel += 4) {
      row[3 * static_cast<std::size_t>(x)] = pixel[0];
      row[3 * static_cast<std::size_t>(x) + 1] = pixel[1];
      row[3 * static_cast<std::size_t>(x) + 2] = pixel[2];
    }
    std::fwrite(row.data(), 1, row.size(), file);
  }
}

}  // namespace

bool storeBmp(const Picture& picture, const char* path) {
  if (!path) return false;
  // Everything the writing needs is allocated before the file is touched.
  const std::vector<std::uint8_t> head = headers(picture.width, picture.height);
  std::vector<std::uint8_t> row(picture.empty() ? 0 : fileRowBytes(picture.width), 0);
  std::FILE* file = std::fopen(path, "wb");  // creates a new file or cuts an existing one
  if (!file) return false;
  std::fwrite(head.data(), 1, head.size(), file);
  if (!picture.empty()) writeRows(picture, row, file);
  std::fclose(file);
  return true;
}

}  // namespace corvale
