// Uncompressed BMP rows are padded to four bytes and stored bottom-up unless the height was
// negative. Bit-field channels are scaled from their own width to 8 bits with rounding; an alpha
// channel is composited over white as the other readers do. A 32-bit file without masks keeps
// its fourth byte unused, as its format says.
#include "readers/bmp_rows.h"

#include <algorithm>
#include <bit>
#include <vector>

#include "readers/rgba_rows.h"

namespace corvale {

namespace {

using Bytes = std::span<const std::uint8_t>;

// A run of two bytes paints at most 255 pixels: no file of run data codes more than 128 pixels a
// byte. Small pictures are let through whatever their data, as they cost nothing.
constexpr std::uint64_t kMaxRunPixelsPerByte = 128;
constexpr std::uint64_t kPixelsWithoutData = std::uint64_t{1} << 16;

const LoadOutcome kCutInPixels{LoadCause::kWarnings, "is cut short in its pixels"};
const LoadOutcome kNoPixels{LoadCause::kTruncated, "is cut short before its pixels"};

std::uint64_t rowBytesOf(const BmpLayout& h) {
  return (std::uint64_t{static_cast<std::uint32_t>(h.width)} * h.bitCount + 31) / 32 * 4;
}

std::uint64_t pixelBytesOf(const BmpLayout& h) {
  return (std::uint64_t{static_cast<std::uint32_t>(h.width)} * h.bitCount + 7) / 8;
}

// One channel of a bit field: where it sits and its largest value.
struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  std::uint64_t max = 0;

  explicit Channel(std::uint32_t m) : mask(m), shift(m ? std::countr_zero(m) : 0), max(m ? m >> shift : 0) {}
  std::uint8_t of(std::uint32_t pixel, std::uint8_t absent) const {
    if (max == 0) return absent;
    return static_cast<std::uint8_t>((((pixel & mask) >> shift) * 255 + max / 2) / max);
  }
};

class RowPainter {
 public:
  RowPainter(const BmpLayout& h, Picture& picture)
      : h_(h),
        picture_(picture),
        red_(h.masks[0]),
        green_(h.masks[1]),
        blue_(h.masks[2]),
        alpha_(h.masks[3]),
        rgba_(std::size_t{4} * static_cast<std::uint32_t>(h.width)) {}

  void paint(Bytes row, std::int32_t y) {
    if (h_.coding == BmpCoding::kRgb24) return paintBgr(row, y);
    if (h_.coding == BmpCoding::kPalette) return paintIndices(row, y);
    paintBitFields(row, y);
  }

 private:
  void paintBgr(Bytes row, std::int32_t y) {
    std::uint8_t* out = pixelAt(picture_, 0, y);
    for (std::int32_t x = 0; x < h_.width; ++x, out += 4) {
      out[0] = row[3 * x], out[1] = row[3 * x + 1], out[2] = row[3 * x + 2];
    }
  }

  // Indices are packed from the most significant bit of each byte.
  void paintIndices(Bytes row, std::int32_t y) {
    const unsigned bits = h_.bitCount, perByte = 8 / bits, mask = (1u << bits) - 1;
    std::uint8_t* out = pixelAt(picture_, 0, y);
    for (std::uint32_t x = 0; x < static_cast<std::uint32_t>(h_.width); ++x, out += 4) {
      unsigned shift = 8 - bits - (x % perByte) * bits;
      const auto& entry = h_.palette[(row[x / perByte] >> shift) & mask];
      out[0] = entry[0], out[1] = entry[1], out[2] = entry[2];
    }
  }

  void paintBitFields(Bytes row, std::int32_t y) {
    const std::size_t bytes = h_.bitCount / 8;
    for (std::size_t x = 0; x < static_cast<std::uint32_t>(h_.width); ++x) {
      std::uint32_t pixel = 0;
      for (std::size_t k = 0; k < bytes; ++k) pixel |= std::uint32_t{row[bytes * x + k]} << (8 * k);
      std::uint8_t* rgba = rgba_.data() + 4 * x;
      rgba[0] = red_.of(pixel, 0), rgba[1] = green_.of(pixel, 0), rgba[2] = blue_.of(pixel, 0);
      rgba[3] = alpha_.of(pixel, 255);
    }
    putRgbaRow(rgba_.data(), picture_, y);
  }

  const BmpLayout& h_;
  Picture& picture_;
  Channel red_, green_, blue_, alpha_;
  std::vector<std::uint8_t> rgba_;
};

// The runs of RLE8 and RLE4 paint colour-table entries whole (with their fourth byte), from the
// bottom row up; runs past a row's end are dropped.
class RunPainter {
 public:
  RunPainter(Picture& picture, const BmpLayout& h) : picture_(picture), palette_(h.palette) {}

  void paint(std::uint8_t index) {
    if (x_ < picture_.width && y_ >= 0) {
      std::uint8_t* out = pixelAt(picture_, x_, y_);
      for (int k = 0; k < 4; ++k) out[k] = palette_[index][k];
      painted_ = true;
    }
    if (x_ < picture_.width) ++x_;
  }
  void endOfLine() { x_ = 0, --y_; }
  void delta(std::uint8_t right, std::uint8_t up) {
    x_ = x_ + right < picture_.width ? x_ + right : picture_.width;
    y_ -= up;
  }
  bool finished() const { return y_ < 0; }
  bool painted() const { return painted_; }

 private:
  Picture& picture_;
  const std::array<std::array<std::uint8_t, 4>, 256>& palette_;
  std::int32_t x_ = 0;
  std::int32_t y_ = picture_.height - 1;  // the file's first row is the picture's last
  bool painted_ = false;
};

// Two indices a byte for RLE4, high nibble first; one for RLE8.
void paintRun(RunPainter& painter, std::uint8_t count, std::uint8_t value, bool four) {
  for (int i = 0; i < count; ++i)
    painter.paint(four ? static_cast<std::uint8_t>(i % 2 ? value & 0x0F : value >> 4) : value);
}

// Returns whether the data ended as it should: at its end-of-bitmap code or past the top row.
bool paintRuns(ByteCursor& in, RunPainter& painter, bool four) {
  std::uint8_t count, value;
  while (!painter.finished()) {
    if (!in.u8(count) || !in.u8(value)) return false;
    if (count > 0) {
      paintRun(painter, count, value, four);
    } else if (value == 0) {
      painter.endOfLine();
    } else if (value == 1) {
      return true;
    } else if (value == 2) {
      std::uint8_t right, up;
      if (!in.u8(right) || !in.u8(up)) return false;
      painter.delta(right, up);
    } else {
      // An absolute run; its bytes are padded to a whole number of 16-bit words.
      std::size_t bytes = four ? (value + 1u) / 2 : value;
      auto run = in.take(std::min(bytes, in.remaining()));  // a cut-off run paints what it has
      for (std::size_t i = 0; i < run.size(); ++i) {
        if (!four) {
          painter.paint(run[i]);
          continue;
        }
        painter.paint(static_cast<std::uint8_t>(run[i] >> 4));
        if (2 * i + 1 < value) painter.paint(static_cast<std::uint8_t>(run[i] & 0x0F));
      }
      if (run.size() != bytes || ((bytes & 1) && !in.skip(1))) return false;
    }
  }
  return true;
}

}  // namespace

bool bmpDataCouldFill(const BmpLayout& h, std::size_t remaining) {
  std::uint64_t width = static_cast<std::uint32_t>(h.width), height = static_cast<std::uint32_t>(h.height);
  if (h.coding == BmpCoding::kRle8 || h.coding == BmpCoding::kRle4)
    return width * height <= kPixelsWithoutData + kMaxRunPixelsPerByte * remaining;
  // A file holding less than half its rows is a forged size or mostly missing.
  return remaining >= rowBytesOf(h) * height / 2;
}

// Rows the file does not hold stay black: a truncated file shows as much of the image as it
// carries, down to a last row that lacks only its padding.
LoadOutcome readBmpRows(ByteCursor& in, const BmpLayout& h, Picture& picture) {
  const std::size_t rowBytes = rowBytesOf(h), pixelBytes = pixelBytesOf(h);
  RowPainter painter(h, picture);
  std::int32_t fileRow = 0;
  for (; fileRow < h.height && in.remaining() >= pixelBytes; ++fileRow)
    painter.paint(in.take(std::min(rowBytes, in.remaining())), h.topDown ? fileRow : h.height - 1 - fileRow);
  if (fileRow == 0) return kNoPixels;
  return fileRow < h.height ? kCutInPixels : LoadOutcome();
}

LoadOutcome readBmpRuns(ByteCursor& in, const BmpLayout& h, Picture& picture) {
  RunPainter painter(picture, h);
  if (paintRuns(in, painter, h.coding == BmpCoding::kRle4)) return {};
  return painter.painted() ? kCutInPixels : kNoPixels;
}

}  // namespace corvale
