// The BMP writer: byte layouts of small pictures, creating and cutting files, and a round trip
// through the engine's own BMP reader.
#include <gtest/gtest.h>

#include <vector>

#include "corvale.h"
#include "exports/handles.h"
#include "resample_support.h"
#include "support/test_files.h"

namespace {

using corvale::pictureOf;
using testing_support::readBytes;
using testing_support::TempDir;

std::uint32_t le32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
std::uint16_t le16(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

void setPixel(intptr_t picture, int x, int y, std::uint8_t b, std::uint8_t g, std::uint8_t r) {
  std::uint8_t* p = corvale::pixelAt(*pictureOf(picture), x, y);
  p[0] = b, p[1] = g, p[2] = r, p[3] = 0xCC;  // the fourth byte is never written to the file
}

void expectHeaders(const std::vector<std::uint8_t>& file, std::uint32_t width, std::uint32_t height) {
  ASSERT_GE(file.size(), 54u);
  EXPECT_EQ(le16(file, 0), 0x4D42);
  EXPECT_EQ(le32(file, 2), file.size());
  EXPECT_EQ(le32(file, 6), 0u);  // both reserved words
  EXPECT_EQ(le32(file, 10), 54u);
  EXPECT_EQ(le32(file, 14), 40u);
  EXPECT_EQ(le32(file, 18), width);
  EXPECT_EQ(le32(file, 22), height);
  EXPECT_EQ(le16(file, 26), 1);
  EXPECT_EQ(le16(file, 28), 24);
  for (std::size_t at = 30; at < 54; at += 4) EXPECT_EQ(le32(file, at), 0u) << at;
}

TEST(BmpWriter, OnePixel) {
  TempDir dir;
  intptr_t picture = cpic_create(1, 1);
  setPixel(picture, 0, 0, 1, 2, 3);
  ASSERT_EQ(cpic_storeBMP(picture, dir.file("one.bmp").c_str()), 1);
  const std::vector<std::uint8_t> file = readBytes(dir.file("one.bmp"));
  ASSERT_EQ(file.size(), 58u);
  expectHeaders(file, 1, 1);
  EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + 54, file.end()),
            (std::vector<std::uint8_t>{1, 2, 3, 0}));
  cpic_destroy(picture);
}

TEST(BmpWriter, FourPixelRowNeedsNoPadding) {
  TempDir dir;
  intptr_t picture = cpic_create(4, 1);
  for (int x = 0; x < 4; ++x) setPixel(picture, x, 0, 10 * x, 10 * x + 1, 10 * x + 2);
  ASSERT_EQ(cpic_storeBMP(picture, dir.file("row.bmp").c_str()), 1);
  const std::vector<std::uint8_t> file = readBytes(dir.file("row.bmp"));
  ASSERT_EQ(file.size(), 66u);
  expectHeaders(file, 4, 1);
  EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + 54, file.end()),
            (std::vector<std::uint8_t>{0, 1, 2, 10, 11, 12, 20, 21, 22, 30, 31, 32}));
  cpic_destroy(picture);
}

TEST(BmpWriter, RowsRunBottomUpWithPadding) {
  TempDir dir;
  intptr_t picture = cpic_create(2, 2);
  setPixel(picture, 0, 0, 1, 2, 3);
  setPixel(picture, 1, 0, 4, 5, 6);
  setPixel(picture, 0, 1, 7, 8, 9);
  setPixel(picture, 1, 1, 10, 11, 12);
  ASSERT_EQ(cpic_storeBMP(picture, dir.file("square.bmp").c_str()), 1);
  const std::vector<std::uint8_t> file = readBytes(dir.file("square.bmp"));
  ASSERT_EQ(file.size(), 70u);
  expectHeaders(file, 2, 2);
  EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + 54, file.begin() + 62),
            (std::vector<std::uint8_t>{7, 8, 9, 10, 11, 12, 0, 0}));
  EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + 62, file.end()),
            (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 0, 0}));
  cpic_destroy(picture);
}

// A new path is created, and a longer file already there is cut to the new length.
TEST(BmpWriter, CreatesNewFilesAndCutsLongerOnes) {
  TempDir dir;
  const std::string path = dir.file("existing.bmp");
  testing_support::writeBytes(path, std::vector<std::uint8_t>(5000, 0xAB));
  intptr_t picture = cpic_create(3, 2);
  ASSERT_EQ(cpic_storeBMP(picture, path.c_str()), 1);
  EXPECT_EQ(readBytes(path).size(), 54u + 2 * 12);
  cpic_destroy(picture);
}

TEST(BmpWriter, FailsOnlyWhenTheFileCannotBeOpened) {
  TempDir dir;
  intptr_t picture = cpic_create(3, 2);
  EXPECT_EQ(cpic_storeBMP(picture, dir.file("missing-folder/x.bmp").c_str()), 0);
  EXPECT_EQ(cpic_storeBMP(picture, dir.path().string().c_str()), 0);  // a folder
  EXPECT_EQ(cpic_storeBMP(picture, nullptr), 0);
  EXPECT_EQ(cpic_storeBMP(0, dir.file("none.bmp").c_str()), 0);
  cpic_destroy(picture);
}

TEST(BmpWriter, RoundTripsThroughTheBmpReader) {
  TempDir dir;
  for (auto [w, h] : {std::pair{1, 1}, std::pair{13, 7}, std::pair{6, 11}, std::pair{33, 2}}) {
    intptr_t picture = cpic_create(w, h);
    resample_testing::fillRandom(*pictureOf(picture), w * h);
    const std::string path = dir.file("trip.bmp");
    ASSERT_EQ(cpic_storeBMP(picture, path.c_str()), 1);
    intptr_t loaded = cpic_load(path.c_str());
    ASSERT_EQ(cpic_getWidth(loaded), w);
    ASSERT_EQ(cpic_getHeight(loaded), h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const std::uint8_t* a = corvale::pixelAt(*pictureOf(picture), x, y);
        const std::uint8_t* b = corvale::pixelAt(*pictureOf(loaded), x, y);
        ASSERT_EQ(std::vector<int>(a, a + 3), std::vector<int>(b, b + 3))
            << w << "x" << h << " at " << x << "," << y;
      }
    cpic_destroy(picture);
    cpic_destroy(loaded);
  }
}

}  // namespace
