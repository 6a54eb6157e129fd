// Metadata of the copies on the real binary, with exiftool and ImageMagick as the oracles: every
// orientation comes out upright with truthful Exif, GPS data can be stripped, the file date kept,
// a small photo kept at its size.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "cli_run.h"

namespace {

using namespace cli_testing;
using lumivex::PictureSize;
using testing_support::jpegSize;

std::string commandOutput(const std::string& command) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::string out;
  char buffer[512];
  while (pipe && std::fgets(buffer, sizeof buffer, pipe.get())) out += buffer;
  return out;
}

bool haveTools() {
  return std::system("exiftool -ver >/dev/null 2>&1 && compare -version >/dev/null 2>&1") == 0;
}

// ImageMagick's normalised root-mean-square difference of two pictures of one size.
double difference(const std::string& a, const std::string& b) {
  std::string text = commandOutput("compare -metric RMSE " + cli_testing::quoted(a) + " " +
                                   cli_testing::quoted(b) + " null: 2>&1");
  std::size_t open = text.find('(');
  return open == std::string::npos ? 1.0 : std::stod(text.substr(open + 1));
}

std::string exifTag(const std::string& path, const std::string& tag) {
  std::string text = commandOutput("exiftool -n -s3 -" + tag + " " + cli_testing::quoted(path));
  while (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

using CliMetadataTest = CliTest;

// The eight stored forms of one picture all come out as the upright one, and their Exif says so.
TEST_F(CliMetadataTest, EveryOrientationComesOutUprightWithTruthfulExif) {
  if (!haveTools()) GTEST_SKIP() << "exiftool or ImageMagick is missing";
  for (const char* shape : {"landscape", "portrait"}) {
    for (int code = 1; code <= 8; ++code)
      photo("orientation/" + std::string(shape) + "_" + std::to_string(code) + ".jpg",
            std::string(shape) + "/o" + std::to_string(code) + ".jpg");
    Result result = run({"--batch", "--fixed-folder", (out() / shape).string(), "--rotate", "exif",
                         "--pattern", "%SRC%", "-s", "96x96", (in() / shape).string()});
    ASSERT_EQ(result.status, 0) << result.err;
    std::string upright = (out() / shape / "o1.jpg").string();
    PictureSize size = jpegSize(upright);
    // Each wrong turn of the upright copy (mirrored either way, turned half round) sets how far a
    // mistake would be; a right turn must be much nearer than the nearest mistake.
    double nearestMistake = 1.0;
    for (const char* wrong : {"-flop", "-flip", "-rotate 180"}) {
      std::string path = (dir.path() / (std::string(shape) + "_wrong.jpg")).string();
      std::system(("convert " + cli_testing::quoted(upright) + " " + wrong + " " + cli_testing::quoted(path))
                      .c_str());
      nearestMistake = std::min(nearestMistake, difference(path, upright));
    }
    for (int code = 2; code <= 8; ++code) {
      std::string turned = (out() / shape / ("o" + std::to_string(code) + ".jpg")).string();
      EXPECT_EQ(jpegSize(turned), size) << turned;
      EXPECT_LT(difference(turned, upright), nearestMistake / 2) << turned;
      EXPECT_EQ(exifTag(turned, "Orientation"), "1") << turned;
      EXPECT_EQ(exifTag(turned, "ExifImageWidth"), std::to_string(size.width)) << turned;
      EXPECT_EQ(exifTag(turned, "ExifImageHeight"), std::to_string(size.height)) << turned;
    }
  }
}

// A camera photo with a thumbnail: the copy carries none (it would show the original's framing);
// GPS added by exiftool goes with --strip-location while the rest stays; --keep-date keeps the time.
TEST_F(CliMetadataTest, ThumbnailGoesLocationOnRequestDateKept) {
  if (!haveTools()) GTEST_SKIP() << "exiftool or ImageMagick is missing";
  std::string source = photo("cameras/canon-ixus.jpg", "gps.jpg");
  ASSERT_FALSE(exifTag(source, "ThumbnailLength").empty());
  ASSERT_EQ(std::system(("exiftool -q -overwrite_original -GPSLatitude=48.137 -GPSLatitudeRef=N "
                         "-GPSLongitude=11.575 -GPSLongitudeRef=E " +
                         cli_testing::quoted(source) + " && touch -d '2001-02-03 04:05:06' " +
                         cli_testing::quoted(source))
                            .c_str()),
            0);
  ASSERT_FALSE(exifTag(source, "GPSLatitude").empty());
  Result kept = run({"--batch", "--fixed-folder", (out() / "kept").string(), "-s", "160x160", source});
  Result stripped = run({"--batch", "--fixed-folder", (out() / "stripped").string(), "--strip-location",
                         "--keep-date", "-s", "160x160", source});
  ASSERT_EQ(kept.status, 0) << kept.err;
  ASSERT_EQ(stripped.status, 0) << stripped.err;
  std::string withGps = (out() / "kept/gps_160x120.jpg").string();
  std::string withoutGps = (out() / "stripped/gps_160x120.jpg").string();
  EXPECT_EQ(exifTag(withGps, "ThumbnailLength"), "");
  EXPECT_FALSE(exifTag(withGps, "GPSLatitude").empty());
  EXPECT_EQ(exifTag(withoutGps, "GPSLatitude"), "");
  EXPECT_EQ(exifTag(withoutGps, "Model"), exifTag(source, "Model"));
  EXPECT_EQ(exifTag(withoutGps, "ExifImageWidth"), "160");
  struct stat a {
  }, b{};
  ASSERT_EQ(stat(source.c_str(), &a), 0);
  ASSERT_EQ(stat(withoutGps.c_str(), &b), 0);
  EXPECT_EQ(a.st_mtim.tv_sec, b.st_mtim.tv_sec);
  ASSERT_EQ(stat(withGps.c_str(), &b), 0);
  EXPECT_NE(a.st_mtim.tv_sec, b.st_mtim.tv_sec);
}

// The colour profile travels byte for byte by default; "strip" drops it; "srgb" converts the
// pixels (so they differ from the kept copy's) and embeds none.
TEST_F(CliMetadataTest, TheColourProfileIsKeptStrippedOrConverted) {
  const std::string profile = "/usr/share/color/icc/colord/AdobeRGB1998.icc";
  if (!haveTools() || !std::filesystem::exists(profile))
    GTEST_SKIP() << "exiftool, ImageMagick or colord-data missing";
  std::string source = photo("cameras/canon-ixus.jpg", "wide.jpg");
  ASSERT_EQ(std::system(("exiftool -q -overwrite_original '-icc_profile<=" + profile + "' " +
                         cli_testing::quoted(source))
                            .c_str()),
            0);
  for (const char* mode : {"keep", "strip", "srgb"})
    ASSERT_EQ(run({"--batch", "--fixed-folder", (out() / mode).string(), "--profile", mode, "-s", "160x160",
                   source})
                  .status,
              0)
        << mode;
  auto iccOf = [](const std::string& path) {
    return commandOutput("exiftool -b -icc_profile " + cli_testing::quoted(path) + " | md5sum");
  };
  std::string kept = (out() / "keep/wide_160x120.jpg").string();
  EXPECT_EQ(iccOf(kept), commandOutput("md5sum < " + cli_testing::quoted(profile)));
  EXPECT_EQ(exifTag((out() / "strip/wide_160x120.jpg").string(), "ProfileDescription"), "");
  std::string converted = (out() / "srgb/wide_160x120.jpg").string();
  EXPECT_EQ(exifTag(converted, "ProfileDescription"), "");
  EXPECT_GT(difference(converted, kept), 0.01);
}

TEST_F(CliMetadataTest, ShrinkOnlyKeepsASmallPhotosSize) {
  std::string small = photo("cameras/canon-ixus.jpg", "small.jpg");  // 640 x 480
  Result result = run({"--batch", "--same-folder", "--shrink-only", "-s", "800x600", small});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(jpegSize((in() / "small_640x480.jpg").string()), (PictureSize{640, 480}));
  result = run({"--batch", "--same-folder", "--shrink-only", "-s", "320x320", small});
  EXPECT_EQ(jpegSize((in() / "small_320x240.jpg").string()), (PictureSize{320, 240}));
}

}  // namespace
