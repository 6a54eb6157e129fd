// A transparent logo through the batch: the formats that hold alpha keep it (transparent corners,
// an opaque middle) with edges close to ImageMagick's own resize of the same RGBA picture and no
// dark fringe; a JPEG copy is flattened on white exactly as before. A GIF's transparent index
// comes out clear in a PNG copy, and its JPEG copy still shows the index's table colour.
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "cli_run.h"

namespace {

std::string commandOutput(const std::string& command) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::string text;
  char buffer[4096];
  while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe.get())) text.append(buffer, n);
  return text;
}

// Red, green, blue and alpha, 8 bits each, row by row, as ImageMagick decodes the file.
std::string rgbaOf(const std::string& path) {
  return commandOutput("convert " + cli_testing::quoted(path) + " -depth 8 rgba:- 2>/dev/null");
}

class CliTransparencyTest : public cli_testing::CliTest {
 protected:
  // A white disc on a transparent (black) ground, 240 x 240, with soft edges.
  std::string logo(const std::string& name, const std::string& extra = "") {
    std::string path = (in() / name).string();
    EXPECT_EQ(std::system(("convert -size 240x240 xc:none -fill white " + extra +
                           " -draw 'circle 120,120 120,20' " + cli_testing::quoted(path))
                              .c_str()),
              0);
    return path;
  }

  cli_testing::Result resize(const std::string& format) {
    std::vector<std::string> arguments{"--batch",   "--format", format, "--fixed-folder", out().string(),
                                       "--pattern", "%SRC%",    "-s",   "60x60",          in().string()};
    if (format == "webp") arguments.insert(arguments.begin() + 1, "--lossless");
    return run(arguments);
  }
};

TEST_F(CliTransparencyTest, PngAndWebpKeepAlphaWithEdgesCloseToImageMagick) {
  std::string source = logo("logo.png");
  std::string reference = (dir.path() / "reference.png").string();
  ASSERT_EQ(std::system(("convert " + cli_testing::quoted(source) + " -resize 60x60 " +
                         cli_testing::quoted(reference))
                            .c_str()),
            0);
  const std::string expected = rgbaOf(reference);
  ASSERT_EQ(expected.size(), 60u * 60u * 4u);
  for (const char* format : {"png", "webp"}) {
    SCOPED_TRACE(format);
    ASSERT_EQ(resize(format).status, 0);
    const std::string got = rgbaOf((out() / (std::string("logo.") + format)).string());
    ASSERT_EQ(got.size(), expected.size());
    EXPECT_EQ(std::uint8_t(got[3]), 0);                         // a corner
    EXPECT_EQ(std::uint8_t(got[(30 * 60 + 30) * 4 + 3]), 255);  // the middle
    // The two resizes' filters differ (a box reduction then a cubic here): each edge pixel's
    // opacity within a bound, and all of them close on average.
    double totalDifference = 0;
    for (std::size_t i = 0; i < got.size(); i += 4) {
      const int alpha = std::uint8_t(got[i + 3]);
      EXPECT_NEAR(alpha, std::uint8_t(expected[i + 3]), 40) << "pixel " << i / 4;
      totalDifference += std::abs(alpha - std::uint8_t(expected[i + 3]));
      // A pixel that shows at all shows white: premultiplied sums bring no black in from the ground.
      if (alpha < 16) continue;
      for (int c = 0; c < 3; ++c) EXPECT_GE(std::uint8_t(got[i + c]), 250) << "pixel " << i / 4;
    }
    EXPECT_LT(totalDifference / (60 * 60), 2.0);
  }
}

// With hard edges, flattening on white before the resize or at the load is the same picture: the
// JPEG copy of the logo is byte for byte the copy of the logo ImageMagick flattened.
TEST_F(CliTransparencyTest, JpegCopyIsFlattenedOnWhiteAsBefore) {
  std::string source = logo("logo.png", "+antialias");
  std::filesystem::create_directories(dir.path() / "flat");
  std::string flat = (dir.path() / "flat" / "logo.png").string();
  ASSERT_EQ(std::system(("convert " + cli_testing::quoted(source) +
                         " -background white -flatten -alpha off PNG24:" + cli_testing::quoted(flat))
                            .c_str()),
            0);
  ASSERT_EQ(resize("jpeg").status, 0);
  const auto fromLogo = testing_support::readBytes((out() / "logo.jpg").string());
  std::filesystem::remove_all(out());
  ASSERT_EQ(run({"--batch", "--fixed-folder", out().string(), "--pattern", "%SRC%", "-s", "60x60",
                 (dir.path() / "flat").string()})
                .status,
            0);
  EXPECT_EQ(fromLogo, testing_support::readBytes((out() / "logo.jpg").string()));
}

class CliGifTransparencyTest : public CliTransparencyTest {
 protected:
  // A red disc on ImageMagick's transparent index, whose table colour is black.
  std::string gifLogo() {
    std::string path = (in() / "logo.gif").string();
    EXPECT_EQ(std::system(("convert -size 64x64 xc:none -fill red -draw 'circle 32,32 32,12' " +
                           cli_testing::quoted(path))
                              .c_str()),
              0);
    return path;
  }

  cli_testing::Result resizeTo32(const std::string& format, const std::filesystem::path& from,
                                 const std::filesystem::path& to) {
    return run({"--batch", "--format", format, "--fixed-folder", to.string(), "--pattern", "%SRC%", "-s",
                "32x32", from.string()});
  }
};

TEST_F(CliGifTransparencyTest, PngCopyHasClearCornersAndAnOpaqueMiddle) {
  gifLogo();
  ASSERT_EQ(resizeTo32("png", in(), out()).status, 0);
  const std::string png = cli_testing::quoted((out() / "logo.png").string());
  EXPECT_EQ(commandOutput("identify -format %A " + png), "True");
  EXPECT_EQ(commandOutput("convert " + png + " -format '%[fx:p{0,0}.a] %[fx:p{16,16}.a]' info:"), "0 1");
  const std::string rgba = rgbaOf((out() / "logo.png").string());
  ASSERT_EQ(rgba.size(), 32u * 32u * 4u);
  EXPECT_EQ(std::uint8_t(rgba[(16 * 32 + 16) * 4]), 255);  // red in the middle
}

// The reader shows the black transparent index as red 1, green 0, blue 0 (told apart from real
// black) and a JPEG copy wants no alpha: the copy is that of the GIF flattened on that colour.
TEST_F(CliGifTransparencyTest, JpegCopyStillShowsTheIndexColourAsBefore) {
  const std::string source = gifLogo();
  std::filesystem::create_directories(dir.path() / "flat");
  const std::string flat = (dir.path() / "flat" / "logo.png").string();
  ASSERT_EQ(std::system(("convert " + cli_testing::quoted(source) +
                         " -background 'rgb(1,0,0)' -flatten -alpha off PNG24:" + cli_testing::quoted(flat))
                            .c_str()),
            0);
  ASSERT_EQ(resizeTo32("jpeg", in(), out()).status, 0);
  const auto fromGif = testing_support::readBytes((out() / "logo.jpg").string());
  const std::filesystem::path flatOut = dir.path() / "flat-out";
  ASSERT_EQ(resizeTo32("jpeg", dir.path() / "flat", flatOut).status, 0);
  EXPECT_EQ(fromGif, testing_support::readBytes((flatOut / "logo.jpg").string()));
}

}  // namespace
