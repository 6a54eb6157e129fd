// Where the decoded colour indices of one GIF frame go: image pixels in the order the file
// gives them, rows either in sequence or in the four interlace passes of GIF89a section 20
// (Appendix E), written into an 8-bit bottom-up bitmap, so image row y is stored as bitmap row
// height - 1 - y.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace corvale {

class GifFrameWriter {
 public:
  // Writes into `bits` (rows of `stride` bytes, bottom-up). With `bits` null the writer only
  // counts pixels, for frames whose pixels nobody keeps.
  GifFrameWriter(std::uint8_t* bits, std::size_t stride, std::uint16_t width, std::uint16_t height,
                 bool interlaced);

  bool full() const { return remaining_ == 0; }
  bool counting() const { return bits_ == nullptr; }

  // The next pixels in GIF order; those beyond width * height are dropped.
  void put(std::span<const std::uint8_t> indices);
  // Counts `count` pixels as written; for a counting writer, which keeps no position.
  void skip(std::size_t count);

 private:
  void nextRow();
  std::uint8_t* rowStart() const;

  std::uint8_t* bits_;
  std::size_t stride_;
  std::uint16_t width_;
  std::uint16_t height_;
  bool interlaced_;
  int pass_ = 0;
  std::uint32_t y_ = 0;
  std::uint16_t x_ = 0;
  std::uint64_t remaining_;
};

}  // namespace corvale
