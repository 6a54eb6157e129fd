// The copies tell the truth about their pixels, on the real binary, with exiftool, ImageMagick and
// Little CMS as the oracles: sizes of the upright photo, a profile from every container kept byte
// for byte or converted as ImageMagick converts it, a CMYK JPEG turned into RGB through its own
// profile, XMP that agrees with the pixels and loses only the location, no trace of the thumbnail,
// extended XMP carried whole.
#include <gtest/gtest.h>
#include <lcms2.h>

#include <filesystem>
#include <memory>

#include "cli_run.h"

namespace {

using namespace cli_testing;
using lumivex::PictureSize;
using testing_support::jpegSize;

const std::string kAdobeRgb = "/usr/share/color/icc/colord/AdobeRGB1998.icc";
const std::string kSrgb = "/usr/share/color/icc/colord/sRGB.icc";

std::string commandOutput(const std::string& command) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::string out;
  char buffer[512];
  while (pipe && std::fgets(buffer, sizeof buffer, pipe.get())) out += buffer;
  while (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}

bool have(const std::string& tools) {
  return std::system(("for t in " + tools + "; do command -v $t >/dev/null || exit 1; done").c_str()) == 0 &&
         std::filesystem::exists(kAdobeRgb);
}

void shell(const std::string& command) {
  ASSERT_EQ(std::system((command + " >/dev/null 2>&1").c_str()), 0) << command;
}

std::string tag(const std::string& path, const std::string& name) {
  return commandOutput("exiftool -n -s3 " + name + " " + cli_testing::quoted(path));
}

// ImageMagick's normalised root-mean-square difference of two pictures of one size.
double difference(const std::string& a, const std::string& b) {
  std::string text = commandOutput("compare -metric RMSE " + cli_testing::quoted(a) + " " +
                                   cli_testing::quoted(b) + " null: 2>&1");
  std::size_t open = text.find('(');
  return open == std::string::npos ? 1.0 : std::stod(text.substr(open + 1));
}

using PhotoTruthTest = CliTest;

// Every size form on the eight stored forms of a 450x600 portrait: each is computed on the
// upright photo, so the stored frame (600x450 for orientations 5 to 8) never shows through.
TEST_F(PhotoTruthTest, UprightSizesForEveryOrientationAndSizeForm) {
  std::vector<std::string> photos;
  for (int n = 1; n <= 8; ++n)
    photos.push_back(
        photo("orientation/portrait_" + std::to_string(n) + ".jpg", "p" + std::to_string(n) + ".jpg"));
  const std::vector<std::pair<std::vector<std::string>, PictureSize>> forms = {
      {{"-s", "No Resize"}, {450, 600}},
      {{"-s", "50%"}, {225, 300}},
      {{"-s", "300x"}, {300, 400}},
      {{"-s", "x300"}, {225, 300}},
      {{"-s", "400x400"}, {300, 400}},
      {{"-s", "400x400", "--crop"}, {400, 400}},
      {{"-s", "200x100", "--crop"}, {200, 100}},
      {{"-s", "500x", "--shrink-only"}, {450, 600}},
  };
  for (std::size_t f = 0; f < forms.size(); ++f) {
    std::vector<std::string> options = {
        "--batch",   "--rotate", "exif", "--fixed-folder", (out() / std::to_string(f)).string(),
        "--pattern", "%SRC%"};
    options.insert(options.end(), forms[f].first.begin(), forms[f].first.end());
    options.insert(options.end(), photos.begin(), photos.end());
    ASSERT_EQ(run(options).status, 0) << forms[f].first[1];
    for (int n = 1; n <= 8; ++n) {
      PictureSize size = jpegSize((out() / std::to_string(f) / ("p" + std::to_string(n) + ".jpg")).string());
      EXPECT_EQ(size.width, forms[f].second.width) << forms[f].first[1] << " orientation " << n;
      EXPECT_EQ(size.height, forms[f].second.height) << forms[f].first[1] << " orientation " << n;
    }
  }
}

// An Adobe RGB profile from each container, as each container's own tool writes it.
TEST_F(PhotoTruthTest, TheProfileOfEveryContainerIsKeptOrConverted) {
  if (!have("convert exiftool compare heif-enc avifenc")) GTEST_SKIP() << "a tool is missing";
  std::string base = (in() / "base.png").string();
  shell("convert -size 96x64 gradient:red-blue -profile " + kAdobeRgb + " " + cli_testing::quoted(base));
  std::vector<std::string> sources = {base};
  for (const char* format : {"tif", "webp"}) {
    sources.push_back((in() / (std::string("photo.") + format)).string());
    shell("convert " + cli_testing::quoted(base) + " " + cli_testing::quoted(sources.back()));
  }
  sources.push_back((in() / "photo.heic").string());
  shell("heif-enc -q 90 -o " + cli_testing::quoted(sources.back()) + " " + cli_testing::quoted(base));
  sources.push_back((in() / "photo.avif").string());
  shell("avifenc --min 0 --max 10 --icc " + kAdobeRgb + " " + cli_testing::quoted(base) + " " +
        cli_testing::quoted(sources.back()));
  std::string profileSum = commandOutput("md5sum < " + cli_testing::quoted(kAdobeRgb));
  for (const std::string& source : sources) {
    SCOPED_TRACE(source);
    ASSERT_EQ(commandOutput("exiftool -b -icc_profile " + cli_testing::quoted(source) + " | md5sum"),
              profileSum);
    std::string stem = std::filesystem::path(source).stem().string() + "_" +
                       std::filesystem::path(source).extension().string().substr(1);
    for (const char* mode : {"keep", "srgb"}) {
      std::vector<std::string> options = {"--batch",
                                          "-s",
                                          "No Resize",
                                          "--profile",
                                          mode,
                                          "--pattern",
                                          stem,
                                          "--fixed-folder",
                                          (out() / mode).string(),
                                          source};
      ASSERT_EQ(run(options).status, 0) << mode;
    }
    std::string kept = (out() / "keep" / (stem + ".jpg")).string();
    std::string converted = (out() / "srgb" / (stem + ".jpg")).string();
    EXPECT_EQ(commandOutput("exiftool -b -icc_profile " + cli_testing::quoted(kept) + " | md5sum"),
              profileSum);
    EXPECT_EQ(tag(converted, "-ProfileDescription"), "");
    // ImageMagick's conversion of the same decoded pixels (the kept copy) is the oracle.
    std::string oracle = (out() / (stem + "_oracle.png")).string();
    shell("convert " + cli_testing::quoted(kept) + " -profile " + kSrgb + " -strip " +
          cli_testing::quoted(oracle));
    EXPECT_LT(difference(converted, oracle), 0.02);
    EXPECT_GT(difference(converted, kept), 0.02);
  }
}

// A CMYK profile of our own whose inks are not the naive ones (cyan ink takes away red and
// green, magenta green and blue, yellow blue and red), so that a conversion without it shows.
std::string writeCmykProfile(const std::string& path) {
  cmsHPROFILE profile = cmsCreateProfilePlaceholder(nullptr);
  cmsSetProfileVersion(profile, 2.1);
  cmsSetDeviceClass(profile, cmsSigOutputClass);
  cmsSetColorSpace(profile, cmsSigCmykData);
  cmsSetPCS(profile, cmsSigLabData);
  cmsHPROFILE srgb = cmsCreate_sRGBProfile(), lab = cmsCreateLab4Profile(nullptr);
  cmsHTRANSFORM toLab = cmsCreateTransform(srgb, TYPE_RGB_DBL, lab, TYPE_Lab_DBL, INTENT_PERCEPTUAL, 0);
  cmsStage* clut = cmsStageAllocCLut16bit(nullptr, 9, 4, 3, nullptr);
  auto sample = [](const cmsUInt16Number in[], cmsUInt16Number out[], void* cargo) -> cmsInt32Number {
    double c = in[0] / 65535.0, m = in[1] / 65535.0, y = in[2] / 65535.0, k = in[3] / 65535.0;
    double rgb[3] = {(1 - c) * (1 - y) * (1 - k), (1 - c) * (1 - m) * (1 - k), (1 - m) * (1 - y) * (1 - k)};
    cmsCIELab colour;
    cmsDoTransform(static_cast<cmsHTRANSFORM>(cargo), rgb, &colour, 1);
    cmsFloat2LabEncoded(out, &colour);
    return TRUE;
  };
  cmsStageSampleCLut16bit(clut, sample, toLab, 0);
  cmsPipeline* aToB = cmsPipelineAlloc(nullptr, 4, 3);
  cmsPipelineInsertStage(aToB, cmsAT_BEGIN, clut);
  cmsWriteTag(profile, cmsSigAToB0Tag, aToB);
  cmsWriteTag(profile, cmsSigMediaWhitePointTag, cmsD50_XYZ());
  cmsMLU* description = cmsMLUalloc(nullptr, 1);
  cmsMLUsetASCII(description, "en", "US", "Lumivex test CMYK");
  cmsWriteTag(profile, cmsSigProfileDescriptionTag, description);
  cmsSaveProfileToFile(profile, path.c_str());
  cmsMLUfree(description), cmsPipelineFree(aToB), cmsDeleteTransform(toLab);
  cmsCloseProfile(srgb), cmsCloseProfile(lab), cmsCloseProfile(profile);
  return path;
}

TEST_F(PhotoTruthTest, ACmykJpegIsConvertedThroughItsProfile) {
  if (!have("convert exiftool compare")) GTEST_SKIP() << "a tool is missing";
  std::string profile = writeCmykProfile((dir.path() / "cmyk.icc").string());
  std::string source = (in() / "cmyk.jpg").string();
  shell("convert -size 64x48 gradient:yellow-navy -colorspace CMYK -quality 95 " +
        cli_testing::quoted(source));
  shell("exiftool -q -overwrite_original '-icc_profile<=" + profile + "' " + cli_testing::quoted(source));
  for (const char* mode : {"keep", "srgb"}) {
    ASSERT_EQ(run({"--batch", "-s", "No Resize", "--profile", mode, "--fixed-folder", (out() / mode).string(),
                   "--pattern", "%SRC%", source})
                  .status,
              0);
    std::string copy = (out() / mode / "cmyk.jpg").string();
    EXPECT_EQ(tag(copy, "-ProfileDescription"), "") << mode;  // a CMYK profile never goes on RGB pixels
    std::string oracle = (out() / "oracle.png").string();
    shell("convert " + cli_testing::quoted(source) + " -profile " + kSrgb + " -strip " +
          cli_testing::quoted(oracle));
    EXPECT_LT(difference(copy, oracle), 0.02) << mode;
  }
  std::string naive = (out() / "naive.png").string();
  shell("convert " + cli_testing::quoted(source) + " -strip -colorspace sRGB " + cli_testing::quoted(naive));
  EXPECT_GT(difference((out() / "keep" / "cmyk.jpg").string(), naive), 0.05);
}

// Location in both the Exif namespace and a drone maker's, beside a title, rights and keywords;
// an orientation and size that the copy changes; Adobe RGB's interoperability index.
TEST_F(PhotoTruthTest, XmpAndExifAgreeWithThePixelsAndLoseOnlyTheLocation) {
  if (!have("exiftool")) GTEST_SKIP() << "exiftool is missing";
  std::string source = photo("orientation/portrait_6.jpg", "drone.jpg");
  std::string packet = (dir.path() / "packet.xmp").string();
  std::ofstream(packet)
      << "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
         "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>"
         "<rdf:Description rdf:about='' xmlns:drone-dji='http://www.dji.com/drone-dji/1.0/' "
         "xmlns:tiff='http://ns.adobe.com/tiff/1.0/' xmlns:exif='http://ns.adobe.com/exif/1.0/' "
         "xmlns:dc='http://purl.org/dc/elements/1.1/' drone-dji:GpsLatitude='+48.1' "
         "drone-dji:GpsLongtitude='+11.5' drone-dji:AbsoluteAltitude='+520.2' "
         "drone-dji:GimbalYawDegree='+1.0' tiff:Orientation='6' tiff:ImageWidth='600' "
         "exif:GPSLatitude='48,6.0N'>\n <exif:GPSLongitude>11,30.0E</exif:GPSLongitude>\n"
         " <tiff:ImageLength>450</tiff:ImageLength>\n"
         " <dc:title><rdf:Alt><rdf:li xml:lang='x-default'>Harbour</rdf:li></rdf:Alt></dc:title>\n"
         "</rdf:Description></rdf:RDF></x:xmpmeta>";
  shell("exiftool -q -overwrite_original '-xmp<=" + packet + "' -InteropIndex=R03 -ColorSpace#=65535 " +
        "'-icc_profile<=" + kAdobeRgb + "' " + cli_testing::quoted(source));
  ASSERT_NE(tag(source, "-GPSPosition"), "");
  ASSERT_EQ(run({"--batch", "--exif", "--rotate", "exif", "--strip-location", "--profile", "srgb", "-s",
                 "300x", "--fixed-folder", out().string(), "--pattern", "%SRC%", source})
                .status,
            0);
  std::string copy = (out() / "drone.jpg").string();
  EXPECT_EQ(tag(copy, "-GPSPosition"), "");
  EXPECT_EQ(tag(copy, "-XMP:all").find("48.1"), std::string::npos);
  EXPECT_EQ(tag(copy, "-XMP-dc:Title"), "Harbour");
  EXPECT_EQ(tag(copy, "-XMP-drone-dji:GimbalYawDegree"), "+1.0");
  EXPECT_EQ(tag(copy, "-XMP-tiff:Orientation"), "1");
  EXPECT_EQ(tag(copy, "-XMP-tiff:ImageWidth"), "300");
  EXPECT_EQ(tag(copy, "-XMP-tiff:ImageHeight"), "400");
  EXPECT_EQ(tag(copy, "-ExifIFD:ColorSpace"), "1");
  EXPECT_EQ(tag(copy, "-InteropIndex"), "R98");
}

// A thumbnail whose bytes are searched for in the copy, and an XMP packet so large that exiftool
// splits it into extended XMP; the copy validates with no more warnings than the source.
TEST_F(PhotoTruthTest, TheThumbnailsBytesGoAndExtendedXmpTravels) {
  if (!have("convert exiftool")) GTEST_SKIP() << "a tool is missing";
  std::string source = photo("cameras/canon-ixus.jpg", "big.jpg");
  std::string thumbnail = (dir.path() / "thumb.jpg").string();
  shell("convert -size 40x30 plasma:fractal -seed 7 -quality 90 " + cli_testing::quoted(thumbnail));
  std::string description(90000, 'a');
  for (std::size_t i = 0; i < description.size(); i += 7) description[i] = 'b';
  shell("exiftool -q -overwrite_original '-ThumbnailImage<=" + thumbnail +
        "' -XMP-dc:Description=" + description + " " + cli_testing::quoted(source));
  ASSERT_EQ(tag(source, "-XMP-dc:Description").size(), description.size());
  ASSERT_EQ(
      run({"--batch", "--exif", "-s", "320x", "--fixed-folder", out().string(), "--pattern", "%SRC%", source})
          .status,
      0);
  std::string copy = (out() / "big.jpg").string();
  EXPECT_EQ(tag(copy, "-XMP-dc:Description"), description);
  EXPECT_EQ(tag(copy, "-ThumbnailImage"), "");
  std::vector<std::uint8_t> thumb = testing_support::readBytes(thumbnail),
                            out = testing_support::readBytes(copy);
  std::vector<std::uint8_t> middle(thumb.begin() + 200, thumb.begin() + 260);  // past the common headers
  EXPECT_EQ(std::search(out.begin(), out.end(), middle.begin(), middle.end()), out.end());
  auto warnings = [](const std::string& path) {  // "OK", or "3 Warnings (1 minor)"
    std::string verdict = tag(path, "-Validate");
    return verdict == "OK" ? 0 : std::atoi(verdict.c_str());
  };
  EXPECT_LE(warnings(copy), warnings(source));
}

TEST_F(PhotoTruthTest, TwoSizesOfOnePhotoWithOneNameSaySo) {
  std::string source = photo("cameras/jolla.jpg", "one.jpg");
  Result result = run({"--batch", "-s", "200x200", "-s", "200x", "--fixed-folder", out().string(),
                       "--pattern", "%SRC%_%DSTX%", source});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_NE(result.out.find("was written by this run from another size of this photo"), std::string::npos)
      << result.out;
}

}  // namespace
