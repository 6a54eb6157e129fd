// The quality search: the file it returns is the one a plain encode at the chosen quality makes,
// it fits its limit, the next quality does not, and libjpeg-turbo decodes it.
#include "encoder/quality_search.h"

#include <gtest/gtest.h>

#include "encoder/cjpeg.h"
#include "encoder/jpeg_file_writer.h"
#include "encoder/jpeg_oracle.h"
#include "support/test_files.h"

namespace lumivex {
namespace {

using encoder_tests::DcPicture;
using encoder_tests::RgbImage;

RgbImage samplePicture(const std::string& name, int scaleDenom) {
  return encoder_tests::rgbOf(
      encoder_tests::decodeJpegFile(testing_support::samplePhoto("cameras/" + name), scaleDenom));
}

// Everything a photo's file carries besides its pixels, so that the limit has to count it.
void addMetadata(cJpeg& encoder) {
  std::vector<std::uint8_t> exif(6000, 0x11);
  const char header[] = {'E', 'x', 'i', 'f', 0, 0};
  std::copy(header, header + 6, exif.begin());
  encoder.setExif(exif);
  encoder.setIccProfile(std::vector<std::uint8_t>(3000, 0x22));
  encoder.setComment("made by the quality search test");
}

// The plain path: one quality, sampled and assembled.
std::vector<std::uint8_t> plainFile(const DcPicture& picture, const RgbImage& image, int quality) {
  cJpeg encoder;
  addMetadata(encoder);
  encoder.setQuality(quality);
  EXPECT_EQ(encoder.SampleHDC(picture.dc(), image.width, image.height, 0, 0), 0);
  return encoder.FileBytes();
}

struct Case {
  const char* photo;
  int scaleDenom;
  int quality;
  std::int64_t limit;
};

TEST(QualitySearch, HighestQualityThatFitsForASpreadOfLimitsAndPhotos) {
  const Case cases[] = {
      {"jolla.jpg", 4, 90, 60 * 1024},        {"jolla.jpg", 4, 90, 90 * 1024},
      {"jolla.jpg", 8, 75, 15 * 1024},        {"canon-ixus.jpg", 2, 95, 40 * 1024},
      {"nikon-e950.jpg", 2, 85, 25 * 1024},   {"sony-d700.jpg", 1, 80, 70 * 1024},
      {"kodak-dc240.jpg", 2, 100, 40 * 1024}, {"fujifilm-mx1700.jpg", 2, 60, 1024 * 1024},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.photo) + " limit " + std::to_string(c.limit));
    RgbImage image = samplePicture(c.photo, c.scaleDenom);
    DcPicture picture(image);
    cJpeg encoder;
    addMetadata(encoder);
    encoder.setQuality(c.quality);
    QualityFit fit;
    ASSERT_EQ(encoder.SampleHDCWithin(picture.dc(), image.width, image.height, 0, 0, c.limit, fit), 0);
    EXPECT_TRUE(fit.fits);
    EXPECT_LE(static_cast<std::int64_t>(fit.file.size()), c.limit);
    EXPECT_EQ(encoder.quality(), fit.quality);
    EXPECT_EQ(fit.file, plainFile(picture, image, fit.quality));
    EXPECT_EQ(encoder.FileBytes(), fit.file);
    if (fit.quality < c.quality) {
      EXPECT_GT(static_cast<std::int64_t>(plainFile(picture, image, fit.quality + 1).size()), c.limit);
    }
    encoder_tests::DecodedJpeg decoded = encoder_tests::decodeJpeg(fit.file);
    EXPECT_TRUE(decoded.ok) << decoded.error;
    EXPECT_EQ(decoded.width, image.width);
  }
}

TEST(QualitySearch, APhotoTooLargeEvenAtTheLowestQualityComesAtTheLowest) {
  RgbImage image = samplePicture("jolla.jpg", 2);
  DcPicture picture(image);
  cJpeg encoder;
  addMetadata(encoder);
  encoder.setQuality(85);
  QualityFit fit;
  ASSERT_EQ(encoder.SampleHDCWithin(picture.dc(), image.width, image.height, 0, 0, 20 * 1024, fit), 0);
  EXPECT_FALSE(fit.fits);
  EXPECT_EQ(fit.quality, kLowestFittingQuality);
  EXPECT_EQ(fit.file, plainFile(picture, image, kLowestFittingQuality));
  EXPECT_TRUE(encoder_tests::decodeJpeg(fit.file).ok);

  // A quality asked for below the usual lowest stays the highest the search may choose.
  cJpeg low;
  low.setQuality(5);
  ASSERT_EQ(low.SampleHDCWithin(picture.dc(), image.width, image.height, 0, 0, 20 * 1024, fit), 0);
  EXPECT_EQ(fit.quality, 5);
}

TEST(QualitySearch, SizeWithoutStuffingNeverExceedsTheFile) {
  RgbImage image = encoder_tests::syntheticImage(333, 211);
  DcPicture picture(image);
  for (int quality : {10, 50, 97}) {
    ComponentSetup setup = SetSamplingFrequencies(2, 2, 1, 1, 1, 1);
    std::array<QuantTable, 4> tables = TablesForQuality(quality);
    ASSERT_EQ(SampleHDC(picture.dc(), image.width, image.height, 0, 0, tables, setup), 0);
    std::vector<std::uint8_t> exif(1, 0);
    std::int64_t bound = JpegSizeWithoutStuffing({&setup, image.width, image.height, &tables, U"", &exif});
    std::int64_t plain = static_cast<std::int64_t>(
        AssembleJpeg({&setup, image.width, image.height, &tables, U"", &exif}).size());
    EXPECT_LE(bound, plain);
    EXPECT_GE(bound, plain - plain / 50);
  }
}

}  // namespace
}  // namespace lumivex
