// A transparent logo made at several sizes at once, or converted through its colour profile, keeps
// its transparency: each copy is the copy a run of that one size makes, and a converted one has
// the colours Little CMS gives its straight colours, with its transparent ground untouched and
// metadata that says sRGB. An opaque photo at several sizes gives the bytes it always gave.
#include <gtest/gtest.h>
#include <lcms2.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "cli_run.h"

namespace {

using namespace cli_testing;

const std::string kSwappedRedAndGreen = "/usr/share/color/icc/colord/SwappedRedAndGreen.icc";

std::string commandOutput(const std::string& command) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::string text;
  char buffer[4096];
  while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe.get())) text.append(buffer, n);
  while (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

void shell(const std::string& command) {
  ASSERT_EQ(std::system((command + " >/dev/null 2>&1").c_str()), 0) << command;
}

bool haveTool(const std::string& tool) {
  return std::system(("command -v " + tool + " >/dev/null").c_str()) == 0;
}

// Red, green, blue and straight alpha, 8 bits each, row by row, as ImageMagick decodes the file.
std::string rgbaOf(const std::string& path) {
  return commandOutput("convert " + cli_testing::quoted(path) + " -depth 8 rgba:-");
}

std::uint8_t at(const std::string& rgba, std::size_t pixel, int channel) {
  return static_cast<std::uint8_t>(rgba[pixel * 4 + static_cast<std::size_t>(channel)]);
}

// One colour through a profile to sRGB, as Little CMS converts it at 8 bits, perceptual intent.
std::array<std::uint8_t, 3> toSrgb(cmsHPROFILE from, cmsUInt32Number format, const std::uint8_t* colour) {
  cmsHPROFILE srgb = cmsCreate_sRGBProfile();
  cmsHTRANSFORM transform = cmsCreateTransform(from, format, srgb, TYPE_RGB_8, INTENT_PERCEPTUAL, 0);
  std::array<std::uint8_t, 3> result{};
  if (transform) cmsDoTransform(transform, colour, result.data(), 1);
  if (transform) cmsDeleteTransform(transform);
  cmsCloseProfile(srgb);
  return result;
}

class TransparentSizesTest : public CliTest {
 protected:
  // A disc of `colour` on a transparent ground, 64 x 64, soft edged.
  std::string logo(const std::string& name, const std::string& colour, const std::string& after = "") {
    std::string path = (in() / name).string();
    shell("convert -size 64x64 xc:none -fill '" + colour + "' -draw 'circle 32,32 32,12' " + after + " " +
          cli_testing::quoted(path));
    return path;
  }

  Result resize(const std::string& source, const std::string& sizes, const std::string& folder,
                std::vector<std::string> more = {}) {
    std::vector<std::string> arguments{"--batch",
                                       "--format",
                                       "png",
                                       "--size",
                                       sizes,
                                       "--fixed-folder",
                                       (out() / folder).string(),
                                       "--pattern",
                                       "%SRC%_%DSTX%x%DSTY%"};
    arguments.insert(arguments.end(), more.begin(), more.end());
    arguments.push_back(source);
    return run(arguments);
  }

  // A copy's corner is transparent and its middle opaque.
  void expectTransparentGround(const std::string& path) {
    SCOPED_TRACE(path);
    std::string corner =
        commandOutput("convert " + cli_testing::quoted(path) + " -format '%[fx:p{0,0}.a]' info:");
    std::string middle =
        commandOutput("convert " + cli_testing::quoted(path) + " -format '%[fx:p{w/2,h/2}.a]' info:");
    EXPECT_EQ(corner, "0");
    EXPECT_EQ(middle, "1");
  }

  // Every pixel that shows at all shows `expected` (within the rounding of premultiplied colours).
  void expectShownColour(const std::string& path, const std::array<std::uint8_t, 3>& expected) {
    SCOPED_TRACE(path);
    const std::string rgba = rgbaOf(path);
    ASSERT_FALSE(rgba.empty());
    for (std::size_t pixel = 0; pixel < rgba.size() / 4; ++pixel) {
      if (at(rgba, pixel, 3) < 64) continue;
      for (int c = 0; c < 3; ++c) EXPECT_NEAR(at(rgba, pixel, c), expected[std::size_t(c)], 3) << pixel;
    }
  }
};

// Each size of a run of several is byte for byte the copy a run of that size alone makes (which
// loads the photo at that size keeping its transparency).
TEST_F(TransparentSizesTest, EverySizeKeepsTransparencyAsAOneSizeRunDoes) {
  if (!haveTool("convert")) GTEST_SKIP() << "ImageMagick is missing";
  std::string source = logo("logo.png", "red");
  ASSERT_EQ(resize(source, "32x32;16x16", "both").status, 0);
  for (const char* size : {"32x32", "16x16"}) {
    SCOPED_TRACE(size);
    ASSERT_EQ(resize(source, size, size).status, 0);
    const fs::path copy = out() / "both" / (std::string("logo_") + size + ".png");
    expectTransparentGround(copy.string());
    EXPECT_EQ(testing_support::readBytes(copy.string()),
              testing_support::readBytes((out() / size / (std::string("logo_") + size + ".png")).string()));
  }
}

// A red logo that claims red and green swapped shows green once converted, at every size; its
// ground stays transparent, it carries no profile, and its Exif block and XMP say sRGB.
TEST_F(TransparentSizesTest, ProfileConversionKeepsTransparencyAndTellsTheTruth) {
  if (!haveTool("convert") || !haveTool("exiftool") || !fs::exists(kSwappedRedAndGreen))
    GTEST_SKIP() << "ImageMagick, exiftool or colord's profiles are missing";
  std::string source = logo("swapped.png", "red", "-profile " + kSwappedRedAndGreen);
  shell("exiftool -overwrite_original -ColorSpace#=65535 -XMP-exif:ColorSpace#=65535 " +
        cli_testing::quoted(source));
  ASSERT_EQ(resize(source, "32x32;16x16", "srgb", {"--profile", "srgb", "--exif"}).status, 0);
  cmsHPROFILE swapped = cmsOpenProfileFromFile(kSwappedRedAndGreen.c_str(), "r");
  ASSERT_NE(swapped, nullptr);
  const std::uint8_t red[3] = {255, 0, 0};
  const std::array<std::uint8_t, 3> expected = toSrgb(swapped, TYPE_RGB_8, red);
  cmsCloseProfile(swapped);
  EXPECT_GT(expected[1], 200);  // the profile's red is green
  for (const char* name : {"swapped_32x32.png", "swapped_16x16.png"}) {
    const std::string copy = (out() / "srgb" / name).string();
    expectTransparentGround(copy);
    expectShownColour(copy, expected);
    EXPECT_EQ(commandOutput("exiftool -s3 -icc_profile:ProfileDescription " + cli_testing::quoted(copy)), "");
    EXPECT_EQ(commandOutput("exiftool -n -s3 -ExifIFD:ColorSpace " + cli_testing::quoted(copy)), "1");
    EXPECT_EQ(commandOutput("exiftool -n -s3 -XMP-exif:ColorSpace " + cli_testing::quoted(copy)), "1");
  }
}

// A grey logo's grey profile is always converted, even at one size: its transparency stays. A
// linear grey profile makes the conversion plain (50% grey shows as sRGB 188).
TEST_F(TransparentSizesTest, GreyProfileConversionKeepsTransparency) {
  if (!haveTool("convert")) GTEST_SKIP() << "ImageMagick is missing";
  const std::string profilePath = (dir.path() / "linear-grey.icc").string();
  cmsToneCurve* linear = cmsBuildGamma(nullptr, 1.0);
  cmsHPROFILE grey = cmsCreateGrayProfile(cmsD50_xyY(), linear);
  cmsFreeToneCurve(linear);
  ASSERT_TRUE(cmsSaveProfileToFile(grey, profilePath.c_str()));
  const std::uint8_t half = 128;
  const std::array<std::uint8_t, 3> expected = toSrgb(grey, TYPE_GRAY_8, &half);
  cmsCloseProfile(grey);
  std::string source =
      logo("grey.png", "gray(128)", "-colorspace Gray -profile " + cli_testing::quoted(profilePath));
  ASSERT_EQ(resize(source, "32x32", "one").status, 0);
  ASSERT_EQ(resize(source, "32x32;16x16", "two").status, 0);
  for (const char* copy : {"one/grey_32x32.png", "two/grey_32x32.png", "two/grey_16x16.png"}) {
    expectTransparentGround((out() / copy).string());
    expectShownColour((out() / copy).string(), expected);
  }
}

// Opaque photos, with an alpha channel or without: several sizes give no alpha and the very bytes of runs of
// one size each (which the whole picture's resampling gave before transparency was kept at several sizes).
TEST_F(TransparentSizesTest, OpaquePhotosKeepTheirBytesAtSeveralSizes) {
  if (!haveTool("convert")) GTEST_SKIP() << "ImageMagick is missing";
  shell("convert -size 97x61 gradient:red-blue " + cli_testing::quoted((in() / "rgb.png").string()));
  shell("convert -size 97x61 gradient:red-blue -alpha set PNG32:" +
        cli_testing::quoted((in() / "rgba.png").string()));
  ASSERT_EQ(resize(in().string(), "40x40;20x30", "both").status, 0);
  ASSERT_EQ(resize(in().string(), "40x40", "40").status, 0);
  ASSERT_EQ(resize(in().string(), "20x30", "20").status, 0);
  for (const char* stem : {"rgb", "rgba"}) {
    for (const auto& [folder, size] : {std::pair{"40", "40x25"}, std::pair{"20", "20x13"}}) {
      const std::string name = std::string(stem) + "_" + size + ".png";
      SCOPED_TRACE(name);
      const std::string copy = (out() / "both" / name).string();
      EXPECT_EQ(commandOutput("convert " + cli_testing::quoted(copy) + " -format '%[channels]' info:"),
                "srgb");
      EXPECT_EQ(testing_support::readBytes(copy),
                testing_support::readBytes((out() / folder / name).string()));
    }
  }
}

}  // namespace
