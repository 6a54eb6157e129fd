// The size text of a run: percentages, resolutions and "No Resize", with the status texts of
// the texts that give no valid target.
#include "settings/target_size.h"

#include <gtest/gtest.h>

#include "batch/photo_job_geometry.h"

namespace lumivex {
namespace {

TargetSize validTarget(const std::string& text) {
  TargetSizeReading reading = ReadTargetSize(text);
  EXPECT_TRUE(reading.valid) << text;
  EXPECT_EQ(reading.status, "") << text;
  return reading.size;
}

std::string statusOf(const std::string& text) {
  TargetSizeReading reading = ReadTargetSize(text);
  EXPECT_FALSE(reading.valid) << text;
  return reading.status;
}

TEST(TargetSize, PercentagesFromOneToAThousand) {
  TargetSize half = validTarget("50%");
  EXPECT_EQ(half.dstPrcnt, 50.0f);
  EXPECT_EQ(half.dstWidth, 0);
  EXPECT_EQ(half.dstHeight, 0);
  EXPECT_EQ(validTarget("50 %").dstPrcnt, 50.0f);
  EXPECT_EQ(validTarget("12.5%").dstPrcnt, 12.5f);
  EXPECT_EQ(validTarget("  1%  ").dstPrcnt, 1.0f);
  EXPECT_EQ(validTarget("1000%").dstPrcnt, 1000.0f);
}

TEST(TargetSize, PercentagesOutsideTheRangeAreRefused) {
  for (const char* text : {"0.5%", "1001%", "%", "abc%", "-50%", "0%"})
    EXPECT_EQ(statusOf(text), "Incorrect percentage selected!") << text;
}

TEST(TargetSize, ResolutionsSplitAtTheLowerCaseX) {
  TargetSize size = validTarget("800x600");
  EXPECT_EQ(size.dstWidth, 800);
  EXPECT_EQ(size.dstHeight, 600);
  EXPECT_EQ(size.dstPrcnt, 0.0f);
  EXPECT_EQ(validTarget(" 1024 x 768 ").dstHeight, 768);
  EXPECT_EQ(validTarget("16000x16000").dstWidth, 16000);
}

TEST(TargetSize, AZeroSideKeepsTheSourceSizeALeftOutSideFollowsTheAspect) {
  TargetSize zeroWidth = validTarget("0x600");
  EXPECT_EQ(zeroWidth.dstWidth, 0);
  EXPECT_EQ(zeroWidth.dstHeight, 600);
  EXPECT_EQ(validTarget("800x0").dstHeight, 0);
  EXPECT_EQ(validTarget("x1080").dstWidth, kFollowAspect);
  EXPECT_EQ(validTarget("x1080").dstHeight, 1080);
  EXPECT_EQ(validTarget("1920x").dstWidth, 1920);
  EXPECT_EQ(validTarget("1920x ").dstHeight, kFollowAspect);
  EXPECT_FALSE(ReadTargetSize("x").valid);
  // The other side follows the photo: 4000 x 3000 at 1920 wide is 1440 high, and the other way.
  EXPECT_EQ(TargetFor({4000, 3000}, 1920, kFollowAspect, 0.0f), (PictureSize{1920, 1440}));
  EXPECT_EQ(TargetFor({4000, 3000}, kFollowAspect, 1080, 0.0f), (PictureSize{1440, 1080}));
  EXPECT_EQ(TargetFor({3000, 4000}, 1920, kFollowAspect, 0.0f), (PictureSize{1920, 2560}));
}

TEST(TargetSize, SidesRoundHalvesToEven) {
  EXPECT_EQ(validTarget("800.5x600").dstWidth, 800);
  EXPECT_EQ(validTarget("801.5x600").dstWidth, 802);
  EXPECT_EQ(validTarget("16000.5x1").dstWidth, 16000);
}

TEST(TargetSize, BadResolutionsAreRefused) {
  for (const char* text : {"800X600", "800", "", "16001x100", "100x16001", "-1x600", "16000.6x1"})
    EXPECT_EQ(statusOf(text), "Incorrect resolution selected!") << text;
}

// A text that only begins like a size is refused rather than read as far as it goes, which gave
// sizes nobody typed (8x6 for "800x6OO", a full-size copy for "fooxbar", 1x1 for "1e3x5").
TEST(TargetSize, TextsThatOnlyBeginLikeASizeAreRefused) {
  for (const char* text :
       {"800x6OO", "fooxbar", "1e3x5", "800x600px", "800x600x400", "8 0 0x600", "800x600x1", "+800x600",
        "800x-600", "800x600;", "50%%", "5 0%", "half%", "0x12abc"})
    EXPECT_FALSE(ReadTargetSize(text).valid) << text;
  EXPECT_FALSE(ReadTargetSizes("800x600; 640x48O").valid);
  EXPECT_EQ(
      WithSizeForms(kIncorrectResolution),
      "Incorrect resolution selected!\nSizes are WxH, Wx, xH, N% or No Resize (several separated by \";\").");
}

TEST(TargetSize, NoResizeInAnyLetterCase) {
  for (const char* text :
       {"No Resize", "no resize", "NO RESIZE", "Don't Resize", "don't rESIZE", " No Resize "}) {
    TargetSize size = validTarget(text);
    EXPECT_EQ(size.dstWidth, 0) << text;
    EXPECT_EQ(size.dstHeight, 0) << text;
    EXPECT_EQ(size.dstPrcnt, 0.0f) << text;
  }
}

TEST(TargetSizes, SeveralTargetsSplitAtSemicolons) {
  TargetSizesReading two = ReadTargetSizes("800x600; 1920x1080");
  ASSERT_TRUE(two.valid);
  ASSERT_EQ(two.sizes.size(), 2u);
  EXPECT_EQ(two.sizes[0], (TargetSize{800, 600, 0.0f}));
  EXPECT_EQ(two.sizes[1], (TargetSize{1920, 1080, 0.0f}));

  // Mixed kinds, empty pieces skipped, a repeated target once.
  TargetSizesReading mixed = ReadTargetSizes(" 50% ;;x1080; no resize; 50%;");
  ASSERT_TRUE(mixed.valid);
  ASSERT_EQ(mixed.sizes.size(), 3u);
  EXPECT_EQ(mixed.sizes[0], (TargetSize{0, 0, 50.0f}));
  EXPECT_EQ(mixed.sizes[1], (TargetSize{kFollowAspect, 1080, 0.0f}));
  EXPECT_EQ(mixed.sizes[2], TargetSize{});

  EXPECT_EQ(ReadTargetSizes(JoinTargetSizeTexts({"800x600", "25%"})).sizes.size(), 2u);
}

TEST(TargetSizes, OneBadPieceOrNoneSpoilsTheText) {
  EXPECT_EQ(ReadTargetSizes("800x600; 2000%").status, kIncorrectPercentage);
  EXPECT_EQ(ReadTargetSizes("800x600; big").status, kIncorrectResolution);
  EXPECT_FALSE(ReadTargetSizes(" ; ").valid);
  // Without a semicolon the text reads exactly as one target always did.
  for (const char* text : {"800x600", "50%", "x", "1920x", "No Resize", ""}) {
    TargetSizeReading one = ReadTargetSize(text);
    TargetSizesReading all = ReadTargetSizes(text);
    EXPECT_EQ(all.valid, one.valid) << text;
    EXPECT_EQ(all.status, one.status) << text;
    if (one.valid) {
      EXPECT_EQ(all.sizes, std::vector<TargetSize>{one.size}) << text;
    }
  }
}

TEST(LeadingNumber, ReadsTheNumberAPersonTyped) {
  EXPECT_EQ(LeadingNumber("12.5abc"), 12.5);
  EXPECT_EQ(LeadingNumber("  7"), 7.0);
  EXPECT_EQ(LeadingNumber("1 2"), 12.0);
  EXPECT_EQ(LeadingNumber("-3x"), -3.0);
  EXPECT_EQ(LeadingNumber("1.2.3"), 1.2);
  EXPECT_EQ(LeadingNumber(".5"), 0.5);
  EXPECT_EQ(LeadingNumber("abc"), 0.0);
  EXPECT_EQ(LeadingNumber(""), 0.0);
}

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
  EXPECT_EQ(RoundHalfEven(0.5), 0.0);
  EXPECT_EQ(RoundHalfEven(1.5), 2.0);
  EXPECT_EQ(RoundHalfEven(2.5), 2.0);
  EXPECT_EQ(RoundHalfEven(2.6), 3.0);
  EXPECT_EQ(RoundHalfEven(-1.5), -2.0);
}

}  // namespace
}  // namespace lumivex
