// The writers of the formats besides JPEG, each checked by its format's own tool: the file
// decodes at its size, to the very pixels for the lossless ones and close to them for the lossy
// ones, and exiftool finds the Exif fields, the XMP packet and the profile in it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "encoder/writers/writer_registry.h"
#include "support/test_files.h"

namespace lumivex {
namespace {

using testing_support::TempDir;

constexpr const char* kProfilePath = "/usr/share/color/icc/colord/AdobeRGB1998.icc";

// A smooth picture with some detail, the kind lossy coders keep well.
OutputPicture testPicture(std::int32_t width, std::int32_t height) {
  OutputPicture picture{width, height, {}};
  for (std::int32_t y = 0; y < height; ++y)
    for (std::int32_t x = 0; x < width; ++x) {
      picture.rgb.push_back(static_cast<std::uint8_t>(x * 255 / width));
      picture.rgb.push_back(static_cast<std::uint8_t>(y * 255 / height));
      picture.rgb.push_back(static_cast<std::uint8_t>(128 + 100 * std::sin((x + y) / 9.0)));
    }
  return picture;
}

// A small big-endian Exif block: IFD0 (at 8) with Make "Acme", Orientation 1 and a pointer to an
// Exif IFD (at 50) holding ISO 200; the text follows at 68.
std::vector<std::uint8_t> smallExif() {
  return {'M',  'M',  0,    42,   0, 0, 0, 8, 0, 3,                            // header, IFD0 of 3 entries
          0x01, 0x0F, 0,    2,    0, 0, 0, 5, 0, 0, 0, 68,                     // Make, ASCII, 5, at 68
          0x01, 0x12, 0,    3,    0, 0, 0, 1, 0, 1, 0, 0,                      // Orientation 1
          0x87, 0x69, 0,    4,    0, 0, 0, 1, 0, 0, 0, 50,  0, 0, 0, 0,        // Exif IFD at 50; no IFD1
          0,    1,    0x88, 0x27, 0, 3, 0, 0, 0, 1, 0, 200, 0, 0, 0, 0, 0, 0,  // ISO 200
          'A',  'c',  'm',  'e',  0};
}

std::string output(const std::string& command) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::string text;
  char buffer[4096];
  while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe.get())) text.append(buffer, n);
  return text;
}

// The decoded file as binary PPM bytes after the header, through ImageMagick from `decoded`.
std::vector<std::uint8_t> pixelsOf(const std::string& decoded, std::int32_t width, std::int32_t height) {
  std::string ppm = output("convert '" + decoded + "' -depth 8 rgb:- 2>/dev/null");
  EXPECT_EQ(ppm.size(), std::size_t(width) * std::size_t(height) * 3) << decoded;
  return {ppm.begin(), ppm.end()};
}

double psnr(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
  if (a.size() != b.size() || a.empty()) return 0;
  double sum = 0;
  for (std::size_t i = 0; i < a.size(); ++i) sum += (double(a[i]) - b[i]) * (double(a[i]) - b[i]);
  return sum == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / (sum / double(a.size())));
}

struct Case {
  const char* name;
  WriterFunction write;
  const char* extension;
  const char* decode;  // a command with %IN and %OUT; the output is a PNG or PPM
  bool lossless;
  double lowestPsnr;  // for the lossy ones
};

std::string replaced(std::string command, const std::string& in, const std::string& out) {
  for (std::size_t at; (at = command.find("%IN")) != std::string::npos;) command.replace(at, 3, in);
  for (std::size_t at; (at = command.find("%OUT")) != std::string::npos;) command.replace(at, 4, out);
  return command;
}

const Case kCases[] = {
    {"png", &WritePng, ".png", "convert %IN %OUT", true, 0},
    {"tiff", &WriteTiff, ".tif", "tiffinfo %IN && convert %IN %OUT", true, 0},
    {"webp_lossless", &WriteWebp, ".webp", "dwebp -quiet %IN -o %OUT", true, 0},
    {"webp", &WriteWebp, ".webp", "dwebp -quiet %IN -o %OUT", false, 30},
    {"avif_lossless", &WriteAvif, ".avif", "avifdec %IN %OUT", true, 0},
    {"avif", &WriteAvif, ".avif", "avifdec %IN %OUT", false, 30},
    {"jxl_lossless", &WriteJxl, ".jxl", "djxl %IN %OUT", true, 0},
    {"jxl", &WriteJxl, ".jxl", "djxl %IN %OUT", false, 30},
    {"heic", &WriteHeic, ".heic", "heif-convert %IN %OUT", false, 30},
};

class FormatWriters : public testing::TestWithParam<Case> {};

TEST_P(FormatWriters, DecodeAtTheirSizeExactlyOrWithinABound) {
  const Case& c = GetParam();
  TempDir dir;
  OutputPicture picture = testPicture(96, 64);
  std::string file = dir.file(std::string("out") + c.extension), decoded = dir.file("decoded.png");
  testing_support::writeBytes(file, c.write(picture, {}, {80, c.lossless}));
  ASSERT_EQ(std::system((replaced(c.decode, file, decoded) + " >/dev/null 2>&1").c_str()), 0) << c.decode;
  std::vector<std::uint8_t> pixels = pixelsOf(decoded, picture.width, picture.height);
  if (c.lossless)
    EXPECT_EQ(pixels, picture.rgb);
  else
    EXPECT_GT(psnr(pixels, picture.rgb), c.lowestPsnr);
}

TEST_P(FormatWriters, CarryOrientationXmpAndProfile) {
  const Case& c = GetParam();
  TempDir dir;
  OutputMetadata metadata{smallExif(), {}, testing_support::readBytes(kProfilePath)};
  std::string packet =
      "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
      "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description "
      "xmlns:dc='http://purl.org/dc/elements/1.1/' dc:format='lumivex-test'/></rdf:RDF></x:xmpmeta>";
  metadata.xmp.assign(packet.begin(), packet.end());
  std::string file = dir.file(std::string("out") + c.extension);
  testing_support::writeBytes(file, c.write(testPicture(48, 32), metadata, {80, c.lossless}));
  EXPECT_EQ(output("exiftool -b -XMP '" + file + "'"), packet);
  // exiftool does not look into a JPEG XL codestream's colour encoding; the format's own decoder does.
  std::string icc =
      std::string(c.extension) == ".jxl"
          ? output("djxl '" + file + "' " + dir.file("d.png") + " --icc_out=" + dir.file("p.icc") +
                   " >/dev/null 2>&1 && cat " + dir.file("p.icc"))
          : output("exiftool -b -ICC_Profile '" + file + "'");
  // Lossy JPEG XL codes the colours in its own space and keeps the profile as a colour encoding of
  // its own, which describes the same colours in other bytes.
  if (std::string(c.name) == "jxl")
    EXPECT_FALSE(icc.empty());
  else
    EXPECT_EQ(std::vector<std::uint8_t>(icc.begin(), icc.end()), metadata.icc);
  // TIFF keeps its orientation and Make in its own IFD0 and appends the Exif IFD; the Exif block of
  // the others is theirs to carry.
  EXPECT_EQ(output("exiftool -s3 -n -Orientation -Make -ISO '" + file + "'"), "1\nAcme\n200\n");
}

INSTANTIATE_TEST_SUITE_P(EveryWriter, FormatWriters, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& info) {
                           return std::string(info.param.name);
                         });

TEST(SizeLimit, LowersTheQualityUntilTheFileFits) {
  OutputPicture picture = testPicture(256, 192);
  for (WriterFunction write : {&WriteWebp, &WriteAvif, &WriteJxl, &WriteHeic}) {
    std::int64_t full = std::int64_t(write(picture, {}, {95, false}).size());
    WriterFit fit = WriteWithin(write, picture, {}, {95, false}, full * 2 / 3);
    EXPECT_TRUE(fit.fits);
    EXPECT_LE(std::int64_t(fit.file.size()), full * 2 / 3);
    EXPECT_LT(fit.quality, 95);
  }
}

}  // namespace
}  // namespace lumivex
