// The BMP reader on files built byte by byte.
#include <gtest/gtest.h>

#include <climits>

#include "picture/picture.h"
#include "support/test_files.h"

using corvale::Picture;
using testing_support::TempDir;

namespace {

void put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  b[at] = v & 0xFF, b[at + 1] = (v >> 8) & 0xFF;
}
void put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = (v >> (8 * i)) & 0xFF;
}

std::vector<std::uint8_t> headers(std::int32_t width, std::int32_t height, int bitCount, int compression,
                                  std::uint32_t dataOffset = 54, std::uint32_t coloursUsed = 0) {
  std::vector<std::uint8_t> b(54, 0);
  b[0] = 'B', b[1] = 'M';
  put32(b, 10, dataOffset);
  put32(b, 14, 40);
  put32(b, 18, static_cast<std::uint32_t>(width));
  put32(b, 22, static_cast<std::uint32_t>(height));
  put16(b, 26, 1);
  put16(b, 28, static_cast<std::uint32_t>(bitCount));
  put32(b, 30, static_cast<std::uint32_t>(compression));
  put32(b, 46, coloursUsed);
  return b;
}

// A 256-entry palette whose entry i is (blue i, green 255 - i, red 7, fourth byte 9).
void appendPalette(std::vector<std::uint8_t>& b, int entries = 256) {
  for (int i = 0; i < entries; ++i)
    b.insert(b.end(), {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i), 7, 9});
}

struct Loaded {
  Picture picture;
  ~Loaded() { corvale::releasePicture(picture); }
  std::vector<std::uint8_t> pixel(int x, int y) const {
    const std::uint8_t* p = corvale::pixelAt(picture, x, y);
    return {p[0], p[1], p[2], p[3]};
  }
};

void load(const std::vector<std::uint8_t>& bytes, Loaded& out, const char* name = "image.bmp") {
  TempDir dir;
  testing_support::writeBytes(dir.file(name), bytes);
  corvale::loadPictureFile(dir.file(name).c_str(), out.picture, nullptr);
}

}  // namespace

TEST(BmpReader, TwentyFourBitRowsTurnFromBottomUpToTopDown) {
  auto b = headers(1, 2, 24, 0);
  b.insert(b.end(), {1, 2, 3, 0xAA, 4, 5, 6, 0xBB});  // file row 0 is the bottom row
  Loaded l;
  load(b, l);
  ASSERT_EQ(l.picture.width, 1);
  ASSERT_EQ(l.picture.height, 2);
  EXPECT_EQ(l.pixel(0, 0), (std::vector<std::uint8_t>{4, 5, 6, 0}));
  EXPECT_EQ(l.pixel(0, 1), (std::vector<std::uint8_t>{1, 2, 3, 0}));
}

TEST(BmpReader, PixelDataOffsetSkipsExtraBytesAndTopDownFilesLoad) {
  auto b = headers(2, 1, 24, 0, 60);
  b.insert(b.end(), {9, 9, 9, 9, 9, 9});
  b.insert(b.end(), {1, 2, 3, 4, 5, 6, 0, 0});
  Loaded skipped;
  load(b, skipped);
  ASSERT_EQ(skipped.picture.width, 2);
  EXPECT_EQ(skipped.pixel(1, 0), (std::vector<std::uint8_t>{4, 5, 6, 0}));

  auto t = headers(1, -2, 24, 0);
  t.insert(t.end(), {1, 2, 3, 0, 4, 5, 6, 0});
  Loaded topDown;
  load(t, topDown);
  ASSERT_EQ(topDown.picture.height, 2);
  EXPECT_EQ(topDown.pixel(0, 0), (std::vector<std::uint8_t>{1, 2, 3, 0}));
}

TEST(BmpReader, TruncatedFileKeepsTheRowsItHoldsAndLeavesTheRestBlack) {
  auto b = headers(1, 3, 24, 0);
  b.insert(b.end(), {1, 2, 3, 0, 4, 5});  // one whole row and half of the next
  Loaded l;
  load(b, l);
  ASSERT_EQ(l.picture.height, 3);
  EXPECT_EQ(l.pixel(0, 2), (std::vector<std::uint8_t>{1, 2, 3, 0}));
  EXPECT_EQ(l.pixel(0, 1), (std::vector<std::uint8_t>{0, 0, 0, 0}));
}

// Many writers leave out the padding after the last row: the row is there and is kept.
TEST(BmpReader, LastRowWithoutItsPaddingIsKept) {
  auto b = headers(1, 2, 24, 0);
  b.insert(b.end(), {1, 2, 3, 0, 4, 5, 6});
  Loaded l;
  load(b, l);
  ASSERT_EQ(l.picture.height, 2);
  EXPECT_EQ(l.pixel(0, 1), (std::vector<std::uint8_t>{1, 2, 3, 0}));
  EXPECT_EQ(l.pixel(0, 0), (std::vector<std::uint8_t>{4, 5, 6, 0}));
}

TEST(BmpReader, UnsupportedLayoutsAndBrokenHeadersGiveAnEmptyPicture) {
  std::vector<std::vector<std::uint8_t>> files = {
      headers(2, 2, 64, 0),
      headers(2, 2, 24, 4),  // a JPEG inside
      headers(2, 2, 4, 1),   // RLE8 of 4-bit pixels
      headers(0, 2, 24, 0),
      headers(2, 0, 24, 0),
      headers(-2, 2, 24, 0),
      headers(2, INT_MIN, 24, 0),
      headers(2, -2, 8, 1),            // run-length rows are always bottom-up
      headers(100000, 100000, 24, 0),  // far too large to hold
      {'B', 'M', 0, 0},                // ends inside the header
  };
  auto badSignature = headers(1, 1, 24, 0);
  badSignature[0] = 'X';
  files.push_back(badSignature);
  auto badInfoSize = headers(1, 1, 24, 0);
  badInfoSize[14] = 41;
  files.push_back(badInfoSize);
  auto offsetPastEnd = headers(1, 1, 24, 0, 0x7FFFFFFF);
  files.push_back(offsetPastEnd);
  for (std::size_t i = 0; i < files.size(); ++i) {
    Loaded l;
    load(files[i], l);
    EXPECT_EQ(l.picture.width, 0) << "file " << i;
    EXPECT_EQ(l.picture.pixels, nullptr) << "file " << i;
  }
}

TEST(BmpReader, Rle8PaintsRunsEndsLinesAndStops) {
  auto b = headers(4, 2, 8, 1);
  appendPalette(b);
  b.insert(b.end(), {3, 5, 0, 0, 0, 1, 2, 9});  // the bytes after end-of-bitmap are never read
  Loaded l;
  load(b, l);
  ASSERT_EQ(l.picture.width, 4);
  for (int x = 0; x < 3; ++x) EXPECT_EQ(l.pixel(x, 1), (std::vector<std::uint8_t>{5, 250, 7, 9}));
  EXPECT_EQ(l.pixel(3, 1), (std::vector<std::uint8_t>{0, 0, 0, 0}));
  EXPECT_EQ(l.pixel(0, 0), (std::vector<std::uint8_t>{0, 0, 0, 0}));
}

TEST(BmpReader, Rle8AbsoluteRunsAreWordAlignedAndDeltasMoveRightAndUp) {
  auto b = headers(5, 3, 8, 1);
  appendPalette(b);
  b.insert(b.end(), {0, 3, 1, 2, 3, 0,  // absolute run of three, one pad byte
                     0, 2, 1, 1,        // delta: one right, one up
                     1, 4,              // one pixel of index 4 at (4, row 1)
                     0, 0, 2, 6,        // end of line, then two pixels of 6 on the top row
                     0, 1});
  Loaded l;
  load(b, l);
  ASSERT_EQ(l.picture.height, 3);
  EXPECT_EQ(l.pixel(0, 2)[0], 1);
  EXPECT_EQ(l.pixel(1, 2)[0], 2);
  EXPECT_EQ(l.pixel(2, 2)[0], 3);
  EXPECT_EQ(l.pixel(4, 1)[0], 4);
  EXPECT_EQ(l.pixel(3, 1)[0], 0);
  EXPECT_EQ(l.pixel(0, 0)[0], 6);
  EXPECT_EQ(l.pixel(1, 0)[0], 6);
}

TEST(BmpReader, Rle8HonoursAShortColourTableAndThePixelDataOffset) {
  auto b = headers(2, 1, 8, 1, 54 + 16 * 4, 16);
  appendPalette(b, 16);
  b.insert(b.end(), {2, 15, 0, 1});
  Loaded l;
  load(b, l);
  ASSERT_EQ(l.picture.width, 2);
  EXPECT_EQ(l.pixel(1, 0), (std::vector<std::uint8_t>{15, 240, 7, 9}));
}

TEST(BmpReader, Rle8RunsThatLeaveThePictureAreDropped) {
  auto b = headers(2, 2, 8, 1);
  appendPalette(b);
  b.insert(b.end(), {255, 1,          // a run far longer than the row
                     0, 2, 255, 255,  // a delta far beyond the picture
                     200, 3, 0, 0, 0, 0, 0, 0, 9, 9});
  Loaded l;
  load(b, l);
  ASSERT_EQ(l.picture.width, 2);
  EXPECT_EQ(l.pixel(0, 1)[0], 1);
  EXPECT_EQ(l.pixel(1, 1)[0], 1);
  EXPECT_EQ(l.pixel(0, 0)[0], 0) << "the long run must not spill into the row above";

  auto truncated = headers(3, 3, 8, 1);
  appendPalette(truncated);
  truncated.insert(truncated.end(), {0, 5, 1});  // absolute run cut short by the end of the file
  Loaded t;
  load(truncated, t);
  EXPECT_EQ(t.pixel(0, 2)[0], 1);
}
