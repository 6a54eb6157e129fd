// The size arithmetic of the photo job, against sizes worked out by hand.
#include "batch/photo_job_geometry.h"

#include <gtest/gtest.h>

namespace lumivex {
namespace {

TEST(TargetFor, APercentageScalesWithHalvesToEven) {
  EXPECT_EQ(TargetFor({3001, 2001}, 0, 0, 50.0f), (PictureSize{1500, 1000}));
  EXPECT_EQ(TargetFor({3003, 2005}, 0, 0, 50.0f), (PictureSize{1502, 1002}));
  EXPECT_EQ(TargetFor({100, 100}, 0, 0, 12.5f), (PictureSize{12, 12}));
  EXPECT_EQ(TargetFor({100, 80}, 0, 0, 1000.0f), (PictureSize{1000, 800}));
}

TEST(TargetFor, APercentageOutsideTheRangeFallsBackToTheSizes) {
  EXPECT_EQ(TargetFor({3000, 2000}, 800, 600, 0.0f), (PictureSize{800, 600}));
  EXPECT_EQ(TargetFor({3000, 2000}, 800, 600, 1001.0f), (PictureSize{800, 600}));
  EXPECT_EQ(TargetFor({3000, 2000}, 800, 600, -5.0f), (PictureSize{800, 600}));
}

TEST(TargetFor, AZeroSideKeepsTheSourceSize) {
  EXPECT_EQ(TargetFor({3000, 2000}, 0, 600, 0.0f), (PictureSize{3000, 2000}));
  EXPECT_EQ(TargetFor({3000, 2000}, 800, 0, 0.0f), (PictureSize{3000, 2000}));
  EXPECT_EQ(TargetFor({3000, 2000}, 0, 0, 0.0f), (PictureSize{3000, 2000}));
}

TEST(TargetFor, ATinyPercentageStillGivesAPixel) {
  EXPECT_EQ(TargetFor({30, 150}, 0, 0, 1.0f), (PictureSize{1, 2}));
}

TEST(FitInto, KeepsTheAspectRatioInsideTheBox) {
  EXPECT_EQ(FitInto({4000, 3000}, {800, 800}), (PictureSize{800, 600}));
  EXPECT_EQ(FitInto({3000, 4000}, {800, 600}), (PictureSize{450, 600}));
  EXPECT_EQ(FitInto({3000, 2000}, {3000, 2000}), (PictureSize{3000, 2000}));
}

TEST(FitInto, SmallerPicturesAreEnlarged) {
  EXPECT_EQ(FitInto({640, 480}, {800, 600}), (PictureSize{800, 600}));
}

TEST(CropBandFor, ASquareTargetTakesTheCentreSquare) {
  std::optional<CropBand> band = CropBandFor({4000, 3000}, {800, 800});
  ASSERT_TRUE(band);
  EXPECT_EQ(*band, (CropBand{500, 0, {3000, 3000}}));
  EXPECT_EQ(FitInto(band->size, {800, 800}), (PictureSize{800, 800}));
}

TEST(CropBandFor, AWiderTargetTakesACentredBandOfRows) {
  // target aspect 4:3 against a portrait source: height round(600 / 800 * 3000) = 2250, from row
  // round(2000 - 1125) = 875.
  std::optional<CropBand> band = CropBandFor({3000, 4000}, {800, 600});
  ASSERT_TRUE(band);
  EXPECT_EQ(*band, (CropBand{0, 875, {3000, 2250}}));
  EXPECT_EQ(FitInto(band->size, {800, 600}), (PictureSize{800, 600}));
}

TEST(CropBandFor, RoundsTheBandStartHalvesToEven) {
  // width round(1 / 1 * 3) = 3 of 6 columns, from column round(3 - 1.5) = 2 (1.5 to even).
  std::optional<CropBand> band = CropBandFor({6, 3}, {1, 1});
  ASSERT_TRUE(band);
  EXPECT_EQ(*band, (CropBand{2, 0, {3, 3}}));
}

TEST(CropBandFor, EqualAspectRatiosNeedNoCrop) {
  EXPECT_FALSE(CropBandFor({4000, 3000}, {800, 600}));
  EXPECT_FALSE(CropBandFor({800, 600}, {800, 600}));
}

}  // namespace
}  // namespace lumivex
