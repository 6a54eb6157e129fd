// The GIF reader end to end: files written by giflib load with the pixels giflib decodes for the
// first image, on a canvas as large as the largest image and screen; hand-built files cover what
// giflib never writes.
#include <gtest/gtest.h>

#include <random>

#include "gif_test_support.h"
#include "support/test_files.h"

namespace {

using namespace gif_testing;

Palette distinctPalette(std::size_t size, std::uint32_t seed) {
  std::mt19937 random(seed);
  Palette palette(size);
  for (std::size_t i = 0; i < size; ++i)
    palette[i] = {static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(i),
                  static_cast<std::uint8_t>(random() | 1)};
  return palette;
}

// Runs of repeated indices among random ones, so that long strings build up in the LZW table.
std::vector<std::uint8_t> mixedIndices(int width, int height, std::size_t colours, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<std::uint8_t> indices(static_cast<std::size_t>(width) * height);
  for (std::size_t i = 0; i < indices.size(); ++i)
    indices[i] = (i / 7) % 3 == 0 ? static_cast<std::uint8_t>((i / 97) % colours)
                                  : static_cast<std::uint8_t>(random() % colours);
  return indices;
}

FrameSpec frameOf(int width, int height, std::size_t colours, std::uint32_t seed) {
  FrameSpec frame;
  frame.width = width, frame.height = height;
  frame.indices = mixedIndices(width, height, colours, seed);
  return frame;
}

void expectSamePicture(const corvale::Picture& picture, const Expected& expected) {
  ASSERT_EQ(picture.width, expected.width);
  ASSERT_EQ(picture.height, expected.height);
  ASSERT_FALSE(picture.empty());
  int mismatches = 0;
  for (int y = 0; y < expected.height; ++y)
    for (int x = 0; x < expected.width; ++x)
      if (!(pixel(picture, x, y) == expected.at(x, y)) && ++mismatches <= 5)
        ADD_FAILURE() << "pixel (" << x << ", " << y << ") differs from giflib's";
  EXPECT_EQ(mismatches, 0);
}

// Writes `layout` with giflib, reads it back with giflib and with the reader, and compares.
void expectReaderMatchesGiflib(const GifLayout& layout) {
  testing_support::TempDir dir;
  std::string path = dir.file("image.gif");
  writeWithGiflib(path, layout);
  auto expected = decodeWithGiflib(path);
  ASSERT_TRUE(expected.has_value());
  LoadedPicture loaded(path);
  expectSamePicture(loaded.picture, *expected);
}

// Hand-built files whose expected pixels giflib also gives.
void expectBytesMatchGiflib(const std::vector<std::uint8_t>& bytes) {
  testing_support::TempDir dir;
  std::string path = dir.file("image.gif");
  testing_support::writeBytes(path, bytes);
  auto expected = decodeWithGiflib(path);
  ASSERT_TRUE(expected.has_value());
  LoadedPicture loaded(path);
  expectSamePicture(loaded.picture, *expected);
}

class GifMinimumCodeSize : public ::testing::TestWithParam<int> {};

TEST_P(GifMinimumCodeSize, SingleFrameMatchesGiflib) {
  int bits = GetParam();
  std::size_t colours = std::size_t{1} << bits;
  GifLayout layout;
  layout.screenWidth = 37, layout.screenHeight = 23;
  layout.globalColours = distinctPalette(colours, 7u + bits);
  layout.frames.push_back(frameOf(37, 23, colours, 11u + bits));
  expectReaderMatchesGiflib(layout);
}

// Large enough that the string table fills up many times over.
TEST_P(GifMinimumCodeSize, LargeFrameMatchesGiflib) {
  int bits = GetParam();
  std::size_t colours = std::size_t{1} << bits;
  GifLayout layout;
  layout.screenWidth = 301, layout.screenHeight = 157;
  layout.globalColours = distinctPalette(colours, 3u + bits);
  layout.frames.push_back(frameOf(301, 157, colours, 5u + bits));
  expectReaderMatchesGiflib(layout);
}

INSTANTIATE_TEST_SUITE_P(TwoToEightBits, GifMinimumCodeSize, ::testing::Range(2, 9));

TEST(GifReader, TwoColourImageMatchesGiflib) {
  GifLayout layout;
  layout.screenWidth = 19, layout.screenHeight = 5;
  layout.globalColours = Palette{{255, 255, 255}, {0, 0, 0}};
  layout.frames.push_back(frameOf(19, 5, 2, 1));
  expectReaderMatchesGiflib(layout);
}

TEST(GifReader, InterlacedFramesMatchGiflib) {
  for (int height : {1, 2, 3, 4, 5, 7, 8, 9, 10, 15, 16, 17, 33, 64}) {
    SCOPED_TRACE(height);
    GifLayout layout;
    layout.screenWidth = 13, layout.screenHeight = height;
    layout.globalColours = distinctPalette(16, 2);
    layout.frames.push_back(frameOf(13, height, 16, 100u + height));
    layout.frames.back().interlaced = true;
    expectReaderMatchesGiflib(layout);
  }
}

TEST(GifReader, LocalColourTableIsUsedInsteadOfGlobal) {
  GifLayout layout;
  layout.screenWidth = 20, layout.screenHeight = 10;
  layout.globalColours = distinctPalette(4, 1);
  layout.frames.push_back(frameOf(20, 10, 8, 9));
  layout.frames.back().localColours = distinctPalette(8, 77);
  expectReaderMatchesGiflib(layout);
}

TEST(GifReader, LocalColourTableWithoutGlobalTable) {
  GifLayout layout;
  layout.screenWidth = 6, layout.screenHeight = 6;
  layout.frames.push_back(frameOf(6, 6, 64, 4));
  layout.frames.back().localColours = distinctPalette(64, 5);
  expectReaderMatchesGiflib(layout);
}

// The first frame only, at its origin whatever its offset, on a canvas as large as the largest
// of the screen and all frames; the rest of the canvas is black.
TEST(GifReader, AnimationShowsFirstFrameOnLargestCanvas) {
  GifLayout layout;
  layout.screenWidth = 30, layout.screenHeight = 12;
  layout.globalColours = distinctPalette(16, 8);
  layout.frames.push_back(frameOf(21, 9, 16, 1));
  layout.frames.back().left = 5, layout.frames.back().top = 2, layout.frames.back().delay = 10;
  layout.frames.push_back(frameOf(44, 3, 16, 2));
  layout.frames.push_back(frameOf(7, 40, 16, 3));
  layout.frames.back().localColours = distinctPalette(4, 9);
  layout.frames.back().interlaced = true;
  testing_support::TempDir dir;
  std::string path = dir.file("animated.gif");
  writeWithGiflib(path, layout);
  LoadedPicture loaded(path);
  EXPECT_EQ(loaded.picture.width, 44);
  EXPECT_EQ(loaded.picture.height, 40);
  auto expected = decodeWithGiflib(path);
  ASSERT_TRUE(expected.has_value());
  expectSamePicture(loaded.picture, *expected);
  EXPECT_EQ(pixel(loaded.picture, 0, 0), (*layout.globalColours)[layout.frames[0].indices[0]]);
  EXPECT_EQ(pixel(loaded.picture, 21, 0), Rgb{});
  EXPECT_EQ(pixel(loaded.picture, 0, 9), Rgb{});
}

TEST(GifReader, BlackTransparentIndexShowsFirstFreeRed) {
  GifLayout layout;
  layout.screenWidth = 4, layout.screenHeight = 1;
  layout.globalColours = Palette{{0, 0, 0}, {1, 0, 0}, {0, 0, 9}, {3, 0, 0}};
  layout.frames.push_back(FrameSpec{0, 0, 4, 1, false, std::nullopt, {0, 1, 2, 3}, 0, 0});
  testing_support::TempDir dir;
  std::string path = dir.file("transparent.gif");
  writeWithGiflib(path, layout);
  LoadedPicture loaded(path);
  ASSERT_EQ(loaded.picture.width, 4);
  EXPECT_EQ(pixel(loaded.picture, 0, 0), (Rgb{2, 0, 0}));
  EXPECT_EQ(pixel(loaded.picture, 1, 0), (Rgb{1, 0, 0}));
  auto expected = decodeWithGiflib(path);
  ASSERT_TRUE(expected.has_value());
  expectSamePicture(loaded.picture, *expected);
}

TEST(GifReader, TransparentIndexThatIsNotBlackKeepsItsColour) {
  GifLayout layout;
  layout.screenWidth = 2, layout.screenHeight = 1;
  layout.globalColours = Palette{{0, 0, 0}, {10, 20, 30}};
  layout.frames.push_back(FrameSpec{0, 0, 2, 1, false, std::nullopt, {0, 1}, 1, 0});
  testing_support::TempDir dir;
  std::string path = dir.file("transparent.gif");
  writeWithGiflib(path, layout);
  LoadedPicture loaded(path);
  ASSERT_EQ(loaded.picture.width, 2);
  EXPECT_EQ(pixel(loaded.picture, 0, 0), Rgb{});
  EXPECT_EQ(pixel(loaded.picture, 1, 0), (Rgb{10, 20, 30}));
}

// A frame whose data starts with a pixel code instead of a clear code keeps its first pixel.
TEST(GifReader, DataWithoutLeadingClearCodeKeepsFirstPixel) {
  Palette palette = distinctPalette(4, 3);
  std::vector<std::uint8_t> indices = {3, 1, 2, 0, 0, 1};
  auto bytes = GifBytes()
                   .header(3, 2, &palette)
                   .imageDescriptor(0, 0, 3, 2, 0)
                   .raw(literalImageData(2, indices, false))
                   .trailer()
                   .bytes();
  LoadedPicture loaded = loadGifBytes(bytes);
  ASSERT_EQ(loaded.picture.width, 3);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(pixel(loaded.picture, i % 3, i / 3), palette[indices[i]]) << i;
  expectBytesMatchGiflib(bytes);
}

// Encoders that never send a clear code go on with 12-bit codes once the table is full.
TEST(GifReader, FullTableWithoutClearCodeMatchesGiflib) {
  Palette palette = distinctPalette(256, 6);
  std::vector<std::uint8_t> indices = mixedIndices(100, 60, 256, 12);
  CodePacker packer;
  int size = 9;
  unsigned count = 258;
  packer.put(256, size);
  for (std::size_t i = 0; i < indices.size(); ++i) {
    packer.put(indices[i], size);
    if (i > 0 && count < 4096 && ++count > (1u << size) - 1 && size < 12) ++size;
  }
  packer.put(257, size);
  std::vector<std::uint8_t> data = subBlocks(packer.bytes());
  data.insert(data.begin(), 8);
  auto bytes =
      GifBytes().header(100, 60, &palette).imageDescriptor(0, 0, 100, 60, 0).raw(data).trailer().bytes();
  LoadedPicture loaded = loadGifBytes(bytes);
  ASSERT_EQ(loaded.picture.width, 100);
  for (std::size_t i = 0; i < indices.size(); i += 37)
    EXPECT_EQ(pixel(loaded.picture, static_cast<int>(i % 100), static_cast<int>(i / 100)),
              palette[indices[i]])
        << i;
  expectBytesMatchGiflib(bytes);
}

TEST(GifReader, InterlacedOneByTenFillsRowsInPassOrder) {
  Palette palette = distinctPalette(16, 4);
  std::vector<std::uint8_t> streamOrder = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  auto bytes = GifBytes()
                   .header(1, 10, &palette)
                   .imageDescriptor(0, 0, 1, 10, 0x40)
                   .raw(literalImageData(4, streamOrder))
                   .trailer()
                   .bytes();
  LoadedPicture loaded = loadGifBytes(bytes);
  ASSERT_EQ(loaded.picture.height, 10);
  const int rowsInOrder[10] = {0, 8, 4, 2, 6, 1, 3, 5, 7, 9};
  for (int n = 0; n < 10; ++n)
    EXPECT_EQ(pixel(loaded.picture, 0, rowsInOrder[n]), palette[n]) << "row " << rowsInOrder[n];
}

// Pixels the data does not reach keep index 0.
TEST(GifReader, TruncatedDataLeavesIndexZero) {
  Palette palette = distinctPalette(4, 5);
  std::vector<std::uint8_t> indices(16, 3);
  std::vector<std::uint8_t> data = literalImageData(2, indices);
  data.resize(4);  // code size byte, length byte, two bytes of codes: five pixels
  auto bytes = GifBytes().header(4, 4, &palette).imageDescriptor(0, 0, 4, 4, 0).raw(data).bytes();
  LoadedPicture loaded = loadGifBytes(bytes);
  ASSERT_EQ(loaded.picture.width, 4);
  int coloured = 0;
  for (int i = 0; i < 16; ++i) {
    Rgb c = pixel(loaded.picture, i % 4, i / 4);
    if (c == palette[3])
      ++coloured;
    else
      EXPECT_EQ(c, palette[0]) << i;
  }
  EXPECT_EQ(coloured, 4);  // the clear code and four pixel codes fill the two bytes exactly
}

TEST(GifReader, FileWithoutImageIsEmpty) {
  Palette palette = distinctPalette(4, 5);
  auto bytes = GifBytes().header(8, 8, &palette).graphicControl(0, 5, 0).trailer().bytes();
  LoadedPicture loaded = loadGifBytes(bytes);
  EXPECT_TRUE(loaded.picture.empty());
  EXPECT_EQ(loaded.picture.width, 0);
  EXPECT_EQ(loaded.picture.height, 0);
}

TEST(GifReader, ImagesTooLargeToHoldLoadAsNothing) {
  Palette palette = distinctPalette(4, 5);
  auto data = literalImageData(2, {1, 2, 3});
  auto hugeFrame =
      GifBytes().header(1, 1, &palette).imageDescriptor(0, 0, 65535, 65535, 0).raw(data).trailer().bytes();
  EXPECT_TRUE(loadGifBytes(hugeFrame).picture.empty());
  auto hugeScreen =
      GifBytes().header(65535, 65535, &palette).imageDescriptor(0, 0, 3, 1, 0).raw(data).trailer().bytes();
  EXPECT_TRUE(loadGifBytes(hugeScreen).picture.empty());
  auto emptyFrame =
      GifBytes().header(4, 4, &palette).imageDescriptor(0, 0, 0, 4, 0).raw(data).trailer().bytes();
  EXPECT_TRUE(loadGifBytes(emptyFrame).picture.empty());
}

// A screen or frame far larger than the file could ever paint is a forged size: refused with its
// reason before the picture is allocated (a 23000 x 23000 screen would take 2 GB).
TEST(GifReader, SizesLargerThanTheFileCouldPaintAreRefusedWithAReason) {
  Palette palette = distinctPalette(4, 5);
  auto data = literalImageData(2, {1, 2, 3});
  auto forgedFrame =
      GifBytes().header(1, 1, &palette).imageDescriptor(0, 0, 20000, 5000, 0).raw(data).trailer().bytes();
  EXPECT_TRUE(loadGifBytes(forgedFrame).picture.empty());
  EXPECT_STREQ(corvale::lastLoadMessage(), "is too short for its size (20000 x 5000)");
  auto forgedScreen =
      GifBytes().header(23000, 23000, &palette).imageDescriptor(0, 0, 3, 1, 0).raw(data).trailer().bytes();
  EXPECT_TRUE(loadGifBytes(forgedScreen).picture.empty());
  EXPECT_STREQ(corvale::lastLoadMessage(), "is too short for its size (23000 x 23000)");
  auto forgedLaterFrame = GifBytes()
                              .header(3, 1, &palette)
                              .imageDescriptor(0, 0, 3, 1, 0)
                              .raw(data)
                              .imageDescriptor(0, 0, 23000, 23000, 0)
                              .raw(data)
                              .trailer()
                              .bytes();
  EXPECT_TRUE(loadGifBytes(forgedLaterFrame).picture.empty());
  EXPECT_STREQ(corvale::lastLoadMessage(), "is too short for its size (23000 x 23000)");

  auto small =
      GifBytes().header(1, 1, &palette).imageDescriptor(0, 0, 200, 200, 0).raw(data).trailer().bytes();
  LoadedPicture partial = loadGifBytes(small);  // small frames may come without their data, named
  ASSERT_EQ(partial.picture.width, 200);
  EXPECT_STREQ(corvale::lastLoadMessage(), "is cut short in its image data");
  EXPECT_EQ(corvale::lastLoadCause(), corvale::LoadCause::kWarnings);
  EXPECT_EQ(pixel(partial.picture, 2, 0), palette[3]);
  EXPECT_EQ(pixel(partial.picture, 199, 199), palette[0]);
}

// giflib refuses to write (or read) a minimum code size above 8, so these files are built by hand.
TEST(GifReader, MinimumCodeSizesAboveEightLoadTheirColours) {
  Palette palette = distinctPalette(4, 5);
  for (int size : {9, 10, 11}) {
    auto bytes = GifBytes()
                     .header(4, 1, &palette)
                     .imageDescriptor(0, 0, 4, 1, 0)
                     .raw(literalImageData(size, {1, 2, 3, 0}))
                     .trailer()
                     .bytes();
    LoadedPicture loaded = loadGifBytes(bytes);
    ASSERT_EQ(loaded.picture.width, 4) << size;
    for (int x = 0; x < 4; ++x) EXPECT_EQ(pixel(loaded.picture, x, 0), palette[(x + 1) % 4]) << size;
  }
}

// Each way of not being a readable GIF says which it is.
TEST(GifReader, FilesWithoutAnImageSayWhy) {
  Palette palette = distinctPalette(4, 5);
  auto header = GifBytes().header(8, 8, &palette).bytes();
  auto data = literalImageData(12, {1});
  std::vector<std::pair<std::vector<std::uint8_t>, std::string>> cases = {
      {{'J', 'I', 'F', '8', '9', 'a', 8, 0, 8, 0, 0, 0, 0}, "is not a GIF file"},
      {{'G', 'I', 'F', '8', '9', 'a', 8, 0}, "is cut short in its header"},
      {header, "is cut short before its first image"},
      {GifBytes().header(8, 8, &palette).trailer().bytes(), "holds no image"},
      {GifBytes().header(8, 8, &palette).imageDescriptor(0, 0, 8, 8, 0).raw(data).trailer().bytes(),
       "has an LZW minimum code size of 12, above 11"},
  };
  for (const auto& [bytes, reason] : cases) {
    EXPECT_TRUE(loadGifBytes(bytes).picture.empty()) << reason;
    EXPECT_EQ(corvale::lastLoadMessage(), reason);
  }
}

// Whereas a large image of one colour compresses well beyond a megapixel per kilobyte.
TEST(GifReader, HighlyCompressedLargeImageMatchesGiflib) {
  GifLayout layout;
  layout.screenWidth = 2500, layout.screenHeight = 2500;
  layout.globalColours = distinctPalette(4, 6);
  FrameSpec frame;
  frame.width = 2500, frame.height = 2500;
  frame.indices.assign(2500 * 2500, 2);
  frame.indices[2500 * 1234 + 77] = 1;
  layout.frames.push_back(frame);
  expectReaderMatchesGiflib(layout);
}

TEST(GifReader, GarbageAndTruncationNeverCrash) {
  Palette palette = distinctPalette(256, 5);
  auto full = GifBytes()
                  .header(17, 9, &palette)
                  .graphicControl(1, 0, 0)
                  .imageDescriptor(0, 0, 17, 9, 0x40, &palette)
                  .raw(literalImageData(8, mixedIndices(17, 9, 256, 3)))
                  .trailer()
                  .bytes();
  for (std::size_t length = 0; length <= full.size(); length += 11) {
    std::vector<std::uint8_t> cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(length));
    LoadedPicture loaded = loadGifBytes(cut);
    if (!loaded.picture.empty()) {
      EXPECT_EQ(loaded.picture.width, 17);
      EXPECT_EQ(loaded.picture.height, 9);
    }
  }
}

}  // namespace
