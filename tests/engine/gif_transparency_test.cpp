// The GIF reader for a picture that wants its alpha: the transparent index giflib wrote becomes
// opacity 0 with colour 0, everything else opacity 255; a GIF that shows no transparent pixel
// loads byte for byte as it does without the request.
#include <gtest/gtest.h>

#include <cstring>

#include "gif_test_support.h"
#include "readers/readers.h"
#include "support/test_files.h"

namespace {

using namespace gif_testing;

struct GifLoad {
  corvale::Picture picture;
  explicit GifLoad(const GifLayout& layout, bool alphaWanted) {
    testing_support::TempDir dir;
    const std::string path = dir.file("image.gif");
    writeWithGiflib(path, layout);
    const std::vector<std::uint8_t> bytes = testing_support::readBytes(path);
    picture.alphaWanted = alphaWanted;
    corvale::readGifBytes(bytes, nullptr, picture);
  }
  ~GifLoad() { corvale::releasePicture(picture); }
  std::vector<std::uint8_t> bytes() const {
    return {picture.pixels, picture.pixels + static_cast<std::size_t>(picture.width) * picture.height * 4};
  }
  // Blue, green, red and opacity of pixel (x, y).
  std::vector<std::uint8_t> at(int x, int y) const {
    const std::uint8_t* p = corvale::pixelAt(picture, x, y);
    return {p, p + 4};
  }
};

GifLayout oneRow(std::optional<int> transparentIndex, std::vector<std::uint8_t> indices) {
  GifLayout layout;
  layout.screenWidth = static_cast<int>(indices.size()), layout.screenHeight = 2;
  layout.globalColours = Palette{{0, 0, 0}, {10, 20, 30}, {200, 100, 50}, {255, 255, 255}};
  FrameSpec frame;
  frame.width = layout.screenWidth, frame.height = 1;
  frame.indices = std::move(indices);
  frame.transparentIndex = transparentIndex;
  layout.frames.push_back(frame);
  return layout;
}

// ImageMagick and others give the transparent index black, which the reader otherwise shows as
// its stand-in red: kept alpha shows it clear instead.
TEST(GifTransparency, TransparentIndexBecomesClearAndTheRestOpaque) {
  GifLoad load(oneRow(0, {0, 1, 2, 3, 0}), true);
  ASSERT_FALSE(load.picture.empty());
  EXPECT_TRUE(load.picture.alphaKept);
  EXPECT_EQ(load.at(0, 0), (std::vector<std::uint8_t>{0, 0, 0, 0}));
  EXPECT_EQ(load.at(1, 0), (std::vector<std::uint8_t>{30, 20, 10, 255}));
  EXPECT_EQ(load.at(3, 0), (std::vector<std::uint8_t>{255, 255, 255, 255}));
  EXPECT_EQ(load.at(4, 0), (std::vector<std::uint8_t>{0, 0, 0, 0}));
  // The row below the image is the reader's black, painted, not background: it stays opaque.
  EXPECT_EQ(load.at(2, 1), (std::vector<std::uint8_t>{0, 0, 0, 255}));
}

// Without the request, or with no transparent pixel shown, the bytes are those of today.
TEST(GifTransparency, OtherwiseEveryByteIsAsBefore) {
  GifLoad plain(oneRow(2, {0, 1, 2, 3}), false);
  EXPECT_FALSE(plain.picture.alphaKept);
  EXPECT_EQ(plain.at(2, 0), (std::vector<std::uint8_t>{50, 100, 200, 0}));
  for (std::optional<int> transparent : {std::optional<int>{}, std::optional<int>{3}}) {
    GifLoad wanted(oneRow(transparent, {0, 1, 2, 1}), true), before(oneRow(transparent, {0, 1, 2, 1}), false);
    EXPECT_FALSE(wanted.picture.alphaKept);
    EXPECT_EQ(wanted.bytes(), before.bytes());
  }
}

}  // namespace
