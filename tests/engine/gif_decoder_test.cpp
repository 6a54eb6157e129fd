// The GIF decoder's block structure: screen size, controls, colour tables and extensions.
#include "readers/gif/gif_decoder.h"

#include <gtest/gtest.h>

#include "gif_test_support.h"
#include "readers/gif/gif_colour_table.h"
#include "readers/gif/gif_control.h"

namespace {

using namespace gif_testing;
using corvale::GifColour;
using corvale::GifColourTable;
using corvale::GifControl;
using corvale::GifDecoder;

const Palette kFour = {{10, 0, 0}, {0, 20, 0}, {0, 0, 30}, {40, 40, 40}};
const Palette kEight = {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}, {4, 4, 4},
                        {5, 5, 5}, {6, 6, 6}, {7, 7, 7}, {8, 8, 8}};

std::vector<std::uint8_t> tinyData() { return literalImageData(2, {1, 2, 3, 0}); }

GifControl timed(std::uint16_t delay, std::uint8_t disposal = 0) {
  GifControl control;
  control.delay = delay;
  control.disposal = disposal;
  return control;
}

GifControl transparentAt(std::uint8_t index, bool transparent = true) {
  GifControl control;
  control.transparent = transparent;
  control.transparentIndex = index;
  return control;
}

GifColourTable tableOf(const Palette& palette) {
  GifColourTable table;
  for (const Rgb& c : palette) table.push_back({c.r, c.g, c.b});
  return table;
}

TEST(GifDecoder, ScreenIsRaisedByEveryImage) {
  auto bytes = GifBytes()
                   .header(10, 10, &kFour)
                   .imageDescriptor(3, 3, 5, 5, 0)
                   .raw(tinyData())
                   .imageDescriptor(0, 0, 20, 3, 0)
                   .raw(tinyData())
                   .imageDescriptor(50, 50, 2, 2, 0)
                   .raw(tinyData())
                   .trailer()
                   .bytes();
  GifDecoder decoder(bytes, nullptr);
  EXPECT_EQ(decoder.screenWidth(), 20);
  EXPECT_EQ(decoder.screenHeight(), 10);
  EXPECT_EQ(decoder.imageCount(), 3);
  ASSERT_EQ(decoder.frames().size(), 3u);
  EXPECT_EQ(decoder.frames()[0].left, 3);
  EXPECT_EQ(decoder.frames()[0].width, 5);
  EXPECT_NE(decoder.frames()[0].bitmap, nullptr);
  EXPECT_EQ(decoder.frames()[1].bitmap, nullptr);  // later frames keep no pixels
  EXPECT_EQ(decoder.frames()[2].left, 50);
}

TEST(GifDecoder, FirstFrameBitmapIsBottomUpWithTheFramesColours) {
  auto bytes =
      GifBytes().header(2, 2, &kFour).imageDescriptor(0, 0, 2, 2, 0).raw(tinyData()).trailer().bytes();
  GifDecoder decoder(bytes, nullptr);
  ASSERT_EQ(decoder.frames().size(), 1u);
  gdi::DIBSECTION dib;
  ASSERT_TRUE(gdi::GetDibSection(decoder.frames()[0].bitmap, &dib));
  EXPECT_EQ(dib.bitCount, 8);
  EXPECT_FALSE(dib.topDown);
  EXPECT_EQ(dib.stride, 4);
  // Image row 0 (indices 1, 2) is the last stored row.
  EXPECT_EQ(dib.bits[4], 1);
  EXPECT_EQ(dib.bits[5], 2);
  EXPECT_EQ(dib.bits[0], 3);
  EXPECT_EQ(dib.bits[1], 0);
}

TEST(GifDecoder, ControlFieldsComeFromTheExtension) {
  auto bytes = GifBytes()
                   .header(2, 2, &kFour)
                   .graphicControl(0x0B, 25, 2)  // disposal 2, user input, transparent
                   .imageDescriptor(0, 0, 2, 2, 0)
                   .raw(tinyData())
                   .trailer()
                   .bytes();
  GifDecoder decoder(bytes, nullptr);
  ASSERT_EQ(decoder.frames().size(), 1u);
  const GifControl& c = decoder.frames()[0].control;
  EXPECT_EQ(c.disposal, 2);
  EXPECT_TRUE(c.userInput);
  EXPECT_TRUE(c.transparent);
  EXPECT_EQ(c.transparentIndex, 2);
  EXPECT_EQ(c.delay, 25);
  EXPECT_EQ(c.transparentColour, (GifColour{0, 0, 30}));
}

TEST(GifDecoder, ControlsAreChosenPerImage) {
  auto bytes = GifBytes()
                   .header(2, 2, &kFour)
                   .graphicControl(0, 0, 0)
                   .graphicControl(4, 7, 0)
                   .graphicControl(8, 9, 0)
                   .imageDescriptor(0, 0, 2, 2, 0)
                   .raw(tinyData())
                   .graphicControl(0, 1, 0)
                   .imageDescriptor(0, 0, 2, 2, 0)
                   .raw(tinyData())
                   .imageDescriptor(0, 0, 2, 2, 0)
                   .raw(tinyData())
                   .trailer()
                   .bytes();
  GifDecoder decoder(bytes, nullptr);
  ASSERT_EQ(decoder.frames().size(), 3u);
  EXPECT_EQ(decoder.frames()[0].control.delay, 7);  // the first with a delay
  EXPECT_EQ(decoder.frames()[0].control.disposal, 1);
  EXPECT_EQ(decoder.frames()[1].control.delay, 7);  // a delay below 2 takes the last one
  EXPECT_EQ(decoder.frames()[2].control.delay, 7);  // no control at all: zeros, then the last delay
  EXPECT_EQ(decoder.frames()[2].control.disposal, 0);
}

TEST(GifControlChoice, FollowsTheDelayRules) {
  std::uint16_t last = 0;
  std::vector<GifControl> pending;
  EXPECT_EQ(corvale::chooseGifControl(pending, last).delay, 10);  // none: zeros, first delay 10
  EXPECT_EQ(last, 10);
  pending = {timed(0, 3)};
  GifControl only = corvale::chooseGifControl(pending, last);
  EXPECT_EQ(only.disposal, 3);  // a single control is taken even without a delay
  EXPECT_EQ(only.delay, 10);
  EXPECT_TRUE(pending.empty());
  pending = {timed(0, 1), timed(0, 2)};
  GifControl none = corvale::chooseGifControl(pending, last);
  EXPECT_EQ(none.disposal, 0);  // several, none with a delay: all zeros
  pending = {timed(2)};
  EXPECT_EQ(corvale::chooseGifControl(pending, last).delay, 2);
  EXPECT_EQ(last, 2);
  pending = {timed(1)};
  EXPECT_EQ(corvale::chooseGifControl(pending, last).delay, 2);
}

TEST(GifColourTables, LocalTableReshapesTheGlobalOne) {
  auto bytes = GifBytes()
                   .header(2, 2, &kFour)
                   .imageDescriptor(0, 0, 2, 2, 0, &kEight)
                   .raw(tinyData())
                   .trailer()
                   .bytes();
  GifDecoder decoder(bytes, nullptr);
  ASSERT_EQ(decoder.frames().size(), 1u);
  GifColourTable expected = tableOf(kFour);
  GifColourTable local = tableOf(kEight);
  expected.insert(expected.end(), local.begin() + 4, local.end());
  EXPECT_EQ(decoder.globalColours(), expected);
  EXPECT_EQ(decoder.frames()[0].localColours, local);

  EXPECT_EQ(corvale::mergeLocalIntoGlobal(tableOf(kEight), tableOf(kFour)),
            GifColourTable(local.begin(), local.begin() + 4));
  EXPECT_EQ(corvale::mergeLocalIntoGlobal({}, tableOf(kFour)), tableOf(kFour));
}

TEST(GifColourTables, BlackTransparentEntryTakesFirstFreeRed) {
  GifControl control = transparentAt(0);
  GifColourTable table = {{0, 0, 0}, {1, 0, 0}, {2, 0, 1}, {3, 0, 0}};
  corvale::markTransparentColour(table, control);
  EXPECT_EQ(table[0], (GifColour{2, 0, 0}));
  EXPECT_EQ(control.transparentColour, (GifColour{2, 0, 0}));

  GifColourTable full(256);
  for (int i = 1; i < 256; ++i) full[i] = {static_cast<std::uint8_t>(i), 0, 0};
  corvale::markTransparentColour(full, control);
  EXPECT_EQ(full[0], (GifColour{255, 0, 0}));  // the search stops at 255

  GifColourTable small = {{5, 5, 5}};
  GifControl beyond = transparentAt(3);
  corvale::markTransparentColour(small, beyond);
  EXPECT_EQ(small[0], (GifColour{5, 5, 5}));
  EXPECT_EQ(beyond.transparentColour, GifColour{});

  GifColourTable opaque = {{0, 0, 0}};
  GifControl notTransparent = transparentAt(0, false);
  corvale::markTransparentColour(opaque, notTransparent);
  EXPECT_EQ(opaque[0], GifColour{});
}

// Extensions of unknown kinds are passed over by their sub-block lengths, so an image
// descriptor inside one is never taken for an image.
TEST(GifExtensions, UnknownLabelsAreSkippedByTheirSubBlocks) {
  std::vector<std::uint8_t> fakeImage = {0x2C, 0, 0, 0, 0, 0xC8, 0, 0xC8, 0, 0, 2, 1, 0};
  auto bytes = GifBytes()
                   .header(2, 2, &kFour)
                   .raw({0x21, 0x01, 12, 0, 0, 0, 0, 0x2C, 0, 0x2C, 0, 8, 8, 1, 0})  // plain text
                   .raw({static_cast<std::uint8_t>(fakeImage.size())})
                   .raw(fakeImage)
                   .raw({0})
                   .raw({0x21, 0x7A, 3, 0x2C, 0x2C, 0x2C, 0})  // an unknown label
                   .imageDescriptor(0, 0, 2, 2, 0)
                   .raw(tinyData())
                   .trailer()
                   .bytes();
  GifDecoder decoder(bytes, nullptr);
  EXPECT_EQ(decoder.imageCount(), 1);
  EXPECT_EQ(decoder.screenWidth(), 2);
  EXPECT_EQ(decoder.screenHeight(), 2);
}

TEST(GifExtensions, CommentsAndApplicationBlocksAreSkipped) {
  std::vector<std::uint8_t> netscape = {0x21, 0xFF, 11,  'N', 'E', 'T', 'S', 'C', 'A', 'P',
                                        'E',  '2',  '.', '0', 3,   1,   0,   0,   0};
  auto bytes = GifBytes()
                   .header(2, 2, &kFour)
                   .raw(netscape)
                   .raw({0x21, 0xFE, 4, 'a', ',', 'b', ',', 3, ',', ',', '!', 0})
                   .raw({0x21, 0xFE, 3, 'o', 'k', 0, 0})  // a C string's zero ends it early
                   .imageDescriptor(0, 0, 2, 2, 0)
                   .raw(tinyData())
                   .trailer()
                   .bytes();
  GifDecoder decoder(bytes, nullptr);
  EXPECT_EQ(decoder.imageCount(), 1);
  EXPECT_EQ(decoder.screenWidth(), 2);
}

TEST(GifExtensions, BytesAfterTheEndCodeInItsSubBlockAreNotImages) {
  std::vector<std::uint8_t> data = literalImageData(2, {1, 2, 3, 0});
  data.insert(data.end() - 1, {0x2C, 0x2C});  // leftovers after the end code, in its sub-block
  data[1] = static_cast<std::uint8_t>(data[1] + 2);
  auto bytes = GifBytes().header(2, 2, &kFour).imageDescriptor(0, 0, 2, 2, 0).raw(data).trailer().bytes();
  GifDecoder decoder(bytes, nullptr);
  EXPECT_EQ(decoder.imageCount(), 1);
}

TEST(GifDecoder, TruncatedHeadersGiveNoFrames) {
  auto bytes =
      GifBytes().header(2, 2, &kFour).imageDescriptor(0, 0, 2, 2, 0).raw(tinyData()).trailer().bytes();
  for (std::size_t length : {0, 5, 12, 13, 20, 25, 28}) {
    std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length));
    GifDecoder decoder(cut, nullptr);
    EXPECT_TRUE(decoder.frames().empty()) << length;
  }
}

TEST(GifDecoder, MissingFileGivesNoFrames) {
  GifDecoder decoder("/nonexistent/folder/image.gif", nullptr);
  EXPECT_TRUE(decoder.frames().empty());
  EXPECT_EQ(decoder.screenWidth(), 0);
}

}  // namespace
