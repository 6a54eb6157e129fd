// The GIF LZW decoder and the frame writer, on hand-packed code streams.
#include "readers/gif/gif_lzw.h"

#include <gtest/gtest.h>

#include <random>

#include "gif_test_support.h"
#include "readers/gif/gif_frame_writer.h"

namespace {

using corvale::ByteCursor;
using corvale::GifFrameWriter;
using gif_testing::CodePacker;
using gif_testing::subBlocks;

constexpr std::uint8_t kUntouched = 0xEE;

struct Decoded {
  std::vector<std::uint8_t> pixels;  // image rows top to bottom
  std::size_t consumed = 0;          // bytes of the data the decoder read
};

// Decodes `data` (minimum code size byte and sub-blocks) into a width x height frame.
Decoded decode(const std::vector<std::uint8_t>& data, int width, int height, bool interlaced = false) {
  std::size_t stride = (static_cast<std::size_t>(width) + 3) & ~std::size_t{3};
  std::vector<std::uint8_t> bits(stride * height, kUntouched);
  GifFrameWriter writer(bits.data(), stride, static_cast<std::uint16_t>(width),
                        static_cast<std::uint16_t>(height), interlaced);
  ByteCursor in(data);
  corvale::decodeGifLzw(in, writer);
  Decoded out;
  out.consumed = in.position();
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) out.pixels.push_back(bits[(height - 1 - y) * stride + x]);
  return out;
}

corvale::LoadOutcome outcomeOf(const std::vector<std::uint8_t>& data, int width, int height) {
  std::vector<std::uint8_t> bits(static_cast<std::size_t>((width + 3) & ~3) * height);
  GifFrameWriter writer(bits.data(), static_cast<std::size_t>((width + 3) & ~3),
                        static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height), false);
  ByteCursor in(data);
  return corvale::decodeGifLzw(in, writer);
}

// Codes with explicit widths, as the minimum code size byte and one run of sub-blocks.
std::vector<std::uint8_t> stream(int minimumCodeSize, std::initializer_list<std::pair<unsigned, int>> codes) {
  CodePacker packer;
  for (auto [code, size] : codes) packer.put(code, size);
  std::vector<std::uint8_t> data = subBlocks(packer.bytes());
  data.insert(data.begin(), static_cast<std::uint8_t>(minimumCodeSize));
  return data;
}

using Pixels = std::vector<std::uint8_t>;

// Minimum code size 2: clear code 4, end code 5, and the first new string is number 6.
TEST(GifLzw, TwoBitStreamNumbersItsFirstStringSix) {
  auto data = stream(2, {{4, 3}, {1, 3}, {0, 3}, {6, 3}, {5, 4}});
  EXPECT_EQ(decode(data, 4, 1).pixels, (Pixels{1, 0, 1, 0}));
}

TEST(GifLzw, CodeForTheNextEntryRepeatsThePreviousString) {
  auto data = stream(2, {{4, 3}, {1, 3}, {6, 3}, {5, 3}});
  EXPECT_EQ(decode(data, 3, 1).pixels, (Pixels{1, 1, 1}));
}

// Codes beyond the table are decoded as defined strings, and the frame is named invalid.
TEST(GifLzw, CodeBeyondTheTableAfterClearCountsAsZero) {
  auto data = stream(2, {{4, 3}, {7, 3}, {1, 3}, {5, 3}});
  EXPECT_EQ(decode(data, 2, 1).pixels, (Pixels{0, 1}));
  EXPECT_EQ(outcomeOf(data, 2, 1).cause, corvale::LoadCause::kDamaged);
}

TEST(GifLzw, CodeFarBeyondTheTableIsReadAsTheNextEntry) {
  auto data = stream(2, {{4, 3}, {1, 3}, {7, 3}, {2, 3}, {5, 4}});
  EXPECT_EQ(decode(data, 4, 1).pixels, (Pixels{1, 1, 1, 2}));
  EXPECT_EQ(outcomeOf(data, 4, 1).reason, "has invalid codes in its image data");
}

// Data that ends before the frame is full is a warning; before any pixel, a refusal.
TEST(GifLzw, DataEndingEarlyIsNamed) {
  EXPECT_TRUE(outcomeOf(stream(2, {{4, 3}, {1, 3}, {2, 3}, {5, 3}}), 2, 1).clean());
  EXPECT_TRUE(outcomeOf(stream(2, {{4, 3}, {1, 3}, {5, 3}}), 2, 1).warned());
  EXPECT_EQ(outcomeOf(stream(2, {{4, 3}, {5, 3}}), 2, 1).cause, corvale::LoadCause::kTruncated);
}

TEST(GifLzw, FirstCodeWithoutClearIsAPixel) {
  auto data = stream(2, {{3, 3}, {2, 3}, {6, 3}, {5, 4}});
  EXPECT_EQ(decode(data, 5, 1).pixels, (Pixels{3, 2, 3, 2, kUntouched}));
}

TEST(GifLzw, RepeatedClearsAndEarlyEnd) {
  EXPECT_EQ(decode(stream(2, {{4, 3}, {4, 3}, {2, 3}, {5, 3}}), 2, 1).pixels, (Pixels{2, kUntouched}));
  EXPECT_EQ(decode(stream(2, {{4, 3}, {5, 3}}), 2, 1).pixels, (Pixels{kUntouched, kUntouched}));
}

// After a clear code the code size drops back to the minimum plus one.
TEST(GifLzw, ClearCodeRestartsTheCodeSize) {
  auto data = stream(2, {{4, 3}, {1, 3}, {2, 3}, {3, 3}, {4, 4}, {0, 3}, {6, 3}, {5, 3}});
  // 1; 2 adds 6 = "1 2"; 3 adds 7 = "2 3" and the size becomes 4; clear; 0; 6 = "0 0" (new).
  EXPECT_EQ(decode(data, 6, 1).pixels, (Pixels{1, 2, 3, 0, 0, 0}));
}

TEST(GifLzw, LongLiteralStreamsWithManyClears) {
  std::mt19937 random(5);
  for (int bits : {2, 5, 8}) {
    Pixels indices(150 * 90);
    for (auto& i : indices) i = static_cast<std::uint8_t>(random() % (1u << bits));
    EXPECT_EQ(decode(gif_testing::literalImageData(bits, indices), 150, 90).pixels, indices) << bits;
  }
}

TEST(GifLzw, StopsWhenTheFrameIsFull) {
  Pixels indices = {1, 2, 3, 1, 2, 3, 1, 2};
  auto data = gif_testing::literalImageData(2, indices);
  data.insert(data.end(), {3, 0x2C, 0x2C, 0x2C, 0});  // a second sub-block run left unread
  Decoded d = decode(data, 2, 2);
  EXPECT_EQ(d.pixels, (Pixels{1, 2, 3, 1}));
  EXPECT_LT(d.consumed, data.size() - 5);
}

// The decoder reads whole sub-blocks: it stops after the one holding the end code.
TEST(GifLzw, LeavesTheCursorAfterTheLastSubBlockRead) {
  auto data = stream(2, {{4, 3}, {1, 3}, {5, 3}});
  std::size_t firstRun = data.size() - 1;  // without the terminator
  data.insert(data.end() - 1, {2, 0x2C, 0x21});
  Decoded d = decode(data, 4, 1);
  EXPECT_EQ(d.pixels, (Pixels{1, kUntouched, kUntouched, kUntouched}));
  EXPECT_EQ(d.consumed, firstRun);
}

TEST(GifLzw, DataEndingWithoutEndCodeStopsAtTheTerminator) {
  auto data = stream(2, {{4, 3}, {1, 3}, {2, 3}, {3, 3}, {1, 4}});  // exactly two bytes
  Decoded d = decode(data, 6, 1);
  EXPECT_EQ(d.pixels, (Pixels{1, 2, 3, 1, kUntouched, kUntouched}));
  EXPECT_EQ(d.consumed, data.size());
}

// Some encoders write a minimum code size above 8; codes stay within 12 bits up to a size of 11,
// and each index keeps its low 8 bits, as common decoders do. A size of 12 is refused unread.
TEST(GifLzw, MinimumCodeSizesNineToElevenDecodeTheirLowEightBits) {
  for (int size : {9, 10, 11}) {
    unsigned clear = 1u << size, end = clear + 1;
    int width = size + 1;
    // 300 is index 44; then the first new string (44, 44) and the literal 7.
    auto data = stream(size, {{clear, width}, {300, width}, {clear + 2, width}, {7, width}, {end, width}});
    EXPECT_EQ(decode(data, 4, 1).pixels, (Pixels{44, 44, 44, 7})) << size;
    auto literal = gif_testing::literalImageData(size, {1, 200, 255, 0});
    EXPECT_EQ(decode(literal, 4, 1).pixels, (Pixels{1, 200, 255, 0})) << size;
  }
  auto tooWide = stream(12, {{4096, 13}, {1, 13}, {4097, 13}});
  std::vector<std::uint8_t> bits(4, kUntouched);
  GifFrameWriter writer(bits.data(), 4, 2, 1, false);
  ByteCursor in(tooWide);
  EXPECT_EQ(corvale::decodeGifLzw(in, writer).reason, "has an LZW minimum code size of 12, above 11");
  EXPECT_EQ(bits[0], kUntouched);
  EXPECT_EQ(in.position(), 1u);
}

TEST(GifLzw, RandomBytesNeverOverrun) {
  std::mt19937 random(11);
  for (int trial = 0; trial < 3000; ++trial) {
    std::vector<std::uint8_t> data(random() % 300);
    for (auto& b : data) b = static_cast<std::uint8_t>(random());
    if (!data.empty()) data[0] = static_cast<std::uint8_t>(random() % 10);
    int width = 1 + static_cast<int>(random() % 40), height = 1 + static_cast<int>(random() % 40);
    Decoded d = decode(data, width, height, random() % 2 == 0);
    EXPECT_LE(d.consumed, data.size());
  }
}

// Row n of the stored order, by a direct formula.
int interlacedRow(int n, int height) {
  const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass) {
    int rows = start[pass] < height ? (height - start[pass] + step[pass] - 1) / step[pass] : 0;
    if (n < rows) return start[pass] + n * step[pass];
    n -= rows;
  }
  return -1;
}

TEST(GifFrameWriter, InterlacedRowsFollowThePasses) {
  for (int height = 1; height <= 40; ++height) {
    const int width = 3;
    std::vector<std::uint8_t> bits(4 * height, kUntouched);
    GifFrameWriter writer(bits.data(), 4, width, static_cast<std::uint16_t>(height), true);
    for (int n = 0; n < height; ++n) {
      std::uint8_t row[width] = {static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n),
                                 static_cast<std::uint8_t>(n)};
      writer.put(row);
    }
    EXPECT_TRUE(writer.full());
    for (int n = 0; n < height; ++n) {
      int y = interlacedRow(n, height);
      EXPECT_EQ(bits[(height - 1 - y) * 4], n) << "height " << height << " stored row " << n;
      EXPECT_EQ(bits[(height - 1 - y) * 4 + 3], kUntouched);  // padding untouched
    }
  }
}

TEST(GifFrameWriter, RunsCrossRowsAndExtraPixelsAreDropped) {
  std::vector<std::uint8_t> bits(8, kUntouched);
  GifFrameWriter writer(bits.data(), 4, 3, 2, false);
  std::uint8_t run[5] = {1, 2, 3, 4, 5};
  writer.put(run);
  EXPECT_FALSE(writer.full());
  writer.put(run);
  EXPECT_TRUE(writer.full());
  EXPECT_EQ(bits, (std::vector<std::uint8_t>{4, 5, 1, kUntouched, 1, 2, 3, kUntouched}));
}

TEST(GifFrameWriter, CountingWriterKeepsNoPixels) {
  GifFrameWriter writer(nullptr, 0, 60000, 60000, true);
  EXPECT_TRUE(writer.counting());
  writer.skip(std::size_t{60000} * 59999);
  EXPECT_FALSE(writer.full());
  std::uint8_t run[70000] = {};
  writer.put(run);
  EXPECT_TRUE(writer.full());
}

}  // namespace
