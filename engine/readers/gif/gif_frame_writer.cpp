// Placing a frame's decoded indices into its bitmap rows, in sequence or in interlace pass order.
#include "readers/gif/gif_frame_writer.h"

#include <algorithm>
#include <cstring>

namespace corvale {

namespace {

// GIF89a Appendix E: pass 1 every 8th row from 0, pass 2 every 8th from 4, pass 3 every 4th
// from 2, pass 4 every 2nd from 1.
constexpr std::uint32_t kPassStart[4] = {0, 4, 2, 1};
constexpr std::uint32_t kPassStep[4] = {8, 8, 4, 2};

}  // namespace

GifFrameWriter::GifFrameWriter(std::uint8_t* bits, std::size_t stride, std::uint16_t width,
                               std::uint16_t height, bool interlaced)
    : bits_(bits),
      stride_(stride),
      width_(width),
      height_(height),
      interlaced_(interlaced),
      remaining_(std::uint64_t{width} * height) {}

std::uint8_t* GifFrameWriter::rowStart() const {
  return bits_ + static_cast<std::size_t>(height_ - 1 - y_) * stride_;
}

// Every row is visited exactly once, so the rows run out exactly when `remaining_` does.
void GifFrameWriter::nextRow() {
  if (!interlaced_) {
    ++y_;
    return;
  }
  y_ += kPassStep[pass_];
  while (y_ >= height_ && pass_ < 3) {
    ++pass_;
    y_ = kPassStart[pass_];
  }
}

void GifFrameWriter::put(std::span<const std::uint8_t> indices) {
  if (counting()) return skip(indices.size());
  std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(indices.size(), remaining_));
  const std::uint8_t* in = indices.data();
  while (count > 0) {
    std::size_t run = std::min<std::size_t>(count, width_ - x_);
    std::memcpy(rowStart() + x_, in, run);
    in += run, count -= run, remaining_ -= run;
    x_ = static_cast<std::uint16_t>(x_ + run);
    if (x_ == width_) {
      x_ = 0;
      if (remaining_ > 0) nextRow();
    }
  }
}

void GifFrameWriter::skip(std::size_t count) { remaining_ -= std::min<std::uint64_t>(count, remaining_); }

}  // namespace corvale
