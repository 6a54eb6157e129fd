// Exif of HEIF and TIFF sources on the real binary, with ImageMagick, exiftool, heif-enc and
// avifenc making the sources from known pixels and exiftool reading the copies: the tags travel,
// the orientation is applied exactly once (by the container's own rotation, never again by the
// Exif tag) and the copy says 1; GPS goes on request; damaged containers cost only the Exif. A
// JPEG XL source's Exif, XMP and colour profile reach its copy too.
#include <gtest/gtest.h>
#include <lcms2.h>

#include <cstdio>
#include <filesystem>
#include <memory>

#include "cli_run.h"

namespace {

using namespace cli_testing;
using lumivex::PictureSize;
using testing_support::jpegSize;

bool haveTools(std::initializer_list<const char*> tools) {
  for (const char* tool : tools)
    if (std::system(("which " + std::string(tool) + " >/dev/null 2>&1").c_str()) != 0) return false;
  return true;
}

std::string commandOutput(const std::string& command) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::string out;
  char buffer[512];
  while (pipe && std::fgets(buffer, sizeof buffer, pipe.get())) out += buffer;
  while (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}

std::string exifTag(const std::string& path, const std::string& tag) {
  return commandOutput("exiftool -n -s3 -" + tag + " " + cli_testing::quoted(path));
}

// The colour of the copy at (x, y) as ImageMagick names it: red or blue are all this test draws.
std::string colourAt(const std::string& path, int x, int y) {
  std::string pixel = commandOutput("convert " + cli_testing::quoted(path) + " -format '%[pixel:p{" +
                                    std::to_string(x) + "," + std::to_string(y) + "}]' info:");
  return pixel.find("(25") != std::string::npos && pixel.rfind(",25") == std::string::npos ? "red" : "blue";
}

class CliContainerExifTest : public CliTest {
 protected:
  // 60 x 40 pixels, the left half red and the right half blue, stored with orientation 6: shown
  // upright it is 40 x 60, red on top.
  std::string taggedSource(const std::string& name, const std::string& extra = "") {
    std::string path = (dir.path() / name).string();
    std::string tags =
        "exiftool -q -overwrite_original -Make=Acme '-Model=Zoom 9' "
        "'-DateTimeOriginal=2021:05:06 07:08:09' -Orientation#=6 -GPSLatitude=48.1 -GPSLatitudeRef=N ";
    EXPECT_EQ(std::system(("convert -size 30x40 xc:red xc:blue +append " + extra + " " +
                           cli_testing::quoted(path) + " && " + tags + cli_testing::quoted(path))
                              .c_str()),
              0);
    return path;
  }

  void expectCarried(const std::string& copy) {
    EXPECT_EQ(exifTag(copy, "Make"), "Acme") << copy;
    EXPECT_EQ(exifTag(copy, "Model"), "Zoom 9") << copy;
    EXPECT_EQ(exifTag(copy, "DateTimeOriginal"), "2021:05:06 07:08:09") << copy;
    EXPECT_EQ(exifTag(copy, "Orientation"), "1") << copy;
  }
};

// heif-enc keeps the Exif orientation 6 but leaves the pixels unturned (no rotation box): the
// container's word holds and the copy stays 60 x 40. avifenc turns the tag into a rotation box:
// the photo is turned once, red on top, not a second time by the tag.
TEST_F(CliContainerExifTest, HeifExifTravelsAndOnlyTheContainerTurns) {
  if (!haveTools({"convert", "exiftool", "heif-enc", "avifenc"})) GTEST_SKIP() << "a tool is missing";
  std::string jpeg = taggedSource("tagged.jpg", "-quality 95");
  ASSERT_EQ(std::system(("heif-enc -q 90 " + cli_testing::quoted(jpeg) + " -o " +
                         cli_testing::quoted((in() / "h.heic").string()) + " >/dev/null && avifenc -s 10 " +
                         cli_testing::quoted(jpeg) + " " + cli_testing::quoted((in() / "a.avif").string()) +
                         " >/dev/null")
                            .c_str()),
            0);
  Result result = run({"--batch", "--exif", "--rotate", "exif", "--fixed-folder", out().string(), "--pattern",
                       "%SRC%", "-s", "30x30", in().string()});
  ASSERT_EQ(result.status, 0) << result.err;
  std::string heic = (out() / "h.jpg").string(), avif = (out() / "a.jpg").string();
  EXPECT_EQ(jpegSize(heic), (PictureSize{30, 20}));
  EXPECT_EQ(jpegSize(avif), (PictureSize{20, 30}));
  EXPECT_EQ(colourAt(avif, 10, 3), "red");
  EXPECT_EQ(colourAt(avif, 10, 26), "blue");
  expectCarried(heic);
  expectCarried(avif);
  EXPECT_EQ(exifTag(avif, "GPSLatitude"), "48.1");
}

// Both byte orders: IFD0's descriptive tags, the Exif IFD and the GPS IFD travel (the TIFF's
// strip offsets and compression do not), the TIFF reader turns the photo once, GPS goes on request.
TEST_F(CliContainerExifTest, TiffExifTravelsTurnedOnceAndGpsGoesOnRequest) {
  if (!haveTools({"convert", "exiftool"})) GTEST_SKIP() << "a tool is missing";
  for (const char* order : {"LSB", "MSB"}) {
    std::string name = std::string(order) + ".tif";
    std::string source = taggedSource(name, std::string("-endian ") + order + " -compress lzw");
    std::filesystem::copy_file(source, in() / name);
    for (const char* location : {"--keep-location", "--strip-location"}) {
      std::filesystem::path folder = out() / location;
      Result result = run({"--batch", "--exif", "--rotate", "exif", location, "--fixed-folder",
                           folder.string(), "--pattern", "%SRC%", "-s", "30x30", (in() / name).string()});
      ASSERT_EQ(result.status, 0) << result.err;
      std::string copy = (folder / (std::string(order) + ".jpg")).string();
      EXPECT_EQ(jpegSize(copy), (PictureSize{20, 30})) << copy;
      EXPECT_EQ(colourAt(copy, 10, 3), "red") << copy;
      expectCarried(copy);
      EXPECT_EQ(exifTag(copy, "StripOffsets"), "") << copy;
      EXPECT_EQ(exifTag(copy, "Compression"), "") << copy;
      EXPECT_EQ(exifTag(copy, "GPSLatitude"), location == std::string("--keep-location") ? "48.1" : "")
          << copy;
    }
  }
}

// Cut-short and scrambled containers: the batch goes on, and whatever it writes has no Exif.
TEST_F(CliContainerExifTest, DamagedContainersGiveNoExifAndNoCrash) {
  if (!haveTools({"convert", "exiftool", "heif-enc"})) GTEST_SKIP() << "a tool is missing";
  std::string jpeg = taggedSource("tagged.jpg");
  std::string tiff = taggedSource("tagged.tif");
  std::string heic = (dir.path() / "tagged.heic").string();
  ASSERT_EQ(std::system(("heif-enc -q 50 " + cli_testing::quoted(jpeg) + " -o " + cli_testing::quoted(heic) +
                         " >/dev/null")
                            .c_str()),
            0);
  for (const std::string& source : {tiff, heic}) {
    std::vector<std::uint8_t> bytes = testing_support::readBytes(source);
    std::string extension = std::filesystem::path(source).extension().string();
    for (std::size_t cut : {std::size_t{12}, bytes.size() / 3, bytes.size() - 9})
      testing_support::writeBytes((in() / ("cut" + std::to_string(cut) + extension)).string(),
                                  std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + cut));
    for (std::size_t i = 16; i < bytes.size(); i += 7) bytes[i] ^= 0x5A;
    testing_support::writeBytes((in() / ("scrambled" + extension)).string(), bytes);
  }
  Result result = run({"--batch", "--exif", "--fixed-folder", out().string(), "-s", "30x30", in().string()});
  EXPECT_TRUE(result.status == 0 || result.status == 1) << result.err;
  EXPECT_NE(result.out.find("Done."), std::string::npos) << result.out;
  if (!std::filesystem::exists(out())) return;
  for (const std::string& copy : filesBelow(out()))
    EXPECT_EQ(exifTag((out() / copy).string(), "Make"), "") << copy;
}

// The photo's brightness once ImageMagick has turned it from its own profile into sRGB (Little
// CMS writes the sRGB profile): the same whatever profile the pixels come with, when it is theirs.
double srgbBrightness(const std::string& photo, const std::string& srgbProfile) {
  return std::stod(commandOutput("convert " + quoted(photo) + " -profile " + quoted(srgbProfile) +
                                 " -colorspace gray -format '%[fx:mean]' info:"));
}

// A camera's JPEG given a profile and an XMP title goes to JPEG XL by the program itself (Exif and
// "xml " boxes, the profile in the codestream) and by cjxl (the JPEG kept losslessly with its
// profile; its Exif and XMP boxes Brotli-compressed, which are not read), then back to JPEG.
TEST_F(CliContainerExifTest, JxlExifXmpAndProfileReachTheCopy) {
  if (!haveTools({"convert", "exiftool", "cjxl"})) GTEST_SKIP() << "a tool is missing";
  const fs::path sources = dir.path() / "sources", jxl = dir.path() / "jxl";
  fs::create_directories(sources);
  const std::string source = (sources / "camera.jpg").string();
  fs::copy_file(testing_support::samplePhoto("cameras/canon-ixus.jpg"), source);
  ASSERT_EQ(std::system(("exiftool -q -overwrite_original -tagsfromfile " +
                         quoted(testing_support::samplePhoto("orientation/landscape_3.jpg")) +
                         " -ICC_Profile '-XMP-dc:Title=Jxl box' " + quoted(source))
                            .c_str()),
            0);
  ASSERT_EQ(run({"--batch", "--format", "jxl", "--fixed-folder", jxl.string(), "--pattern", "%SRC%",
                 sources.string()})
                .status,
            0);
  ASSERT_EQ(
      std::system(("cjxl " + quoted(source) + " " + quoted((jxl / "cjxl.jxl").string()) + " >/dev/null 2>&1")
                      .c_str()),
      0);
  Result result = run({"--batch", "--format", "jpeg", "--fixed-folder", out().string(), "--pattern", "%SRC%",
                       "-s", "320x240", jxl.string()});
  ASSERT_EQ(result.status, 0) << result.err;

  const std::string own = (out() / "camera.jpg").string(), byCjxl = (out() / "cjxl.jpg").string();
  EXPECT_EQ(exifTag(own, "Make"), "Canon");
  EXPECT_EQ(exifTag(own, "Model"), "Canon DIGITAL IXUS");
  EXPECT_EQ(exifTag(own, "XMP-dc:Title"), "Jxl box");
  // The program's lossy file with an attached profile is given in sRGB, which needs no profile.
  EXPECT_EQ(exifTag(own, "ProfileDescription"), "");
  EXPECT_EQ(exifTag(byCjxl, "ProfileDescription"), "Generic RGB Profile");
  EXPECT_EQ(exifTag(byCjxl, "Make"), "");
  // Both copies look as the source does, the program's own without any colour management.
  const std::string srgb = (dir.path() / "srgb.icc").string();
  cmsHPROFILE profile = cmsCreate_sRGBProfile();
  ASSERT_TRUE(cmsSaveProfileToFile(profile, srgb.c_str()));
  cmsCloseProfile(profile);
  const double expected = srgbBrightness(source, srgb);
  EXPECT_NEAR(srgbBrightness(own, srgb), expected, 0.01);
  EXPECT_NEAR(srgbBrightness(byCjxl, srgb), expected, 0.01);
}

}  // namespace
