// The Exif block of PNG and WebP files: written by exiftool, found by the chunk walks, read for
// its orientation and handed on byte for byte as exiftool itself extracts it.
#include <gtest/gtest.h>

#include <cstdlib>

#include "metadata/exif_block.h"
#include "metadata/photo_metadata.h"
#include "support/test_files.h"

namespace lumivex {
namespace {

using testing_support::readBytes;
using testing_support::TempDir;

void run(const std::string& command) {
  ASSERT_EQ(std::system((command + " >/dev/null 2>&1").c_str()), 0) << command;
}

TEST(ExifChunks, PngAndWebpBlocksAreFoundAsExiftoolWroteThem) {
  if (std::system(
          "command -v exiftool >/dev/null && command -v convert >/dev/null && command -v cwebp >/dev/null"))
    GTEST_SKIP() << "needs exiftool, convert and cwebp";
  TempDir dir;
  run("convert -size 8x4 xc:red " + dir.file("plain.png"));
  run("cwebp -quiet " + dir.file("plain.png") + " -o " + dir.file("plain.webp"));
  for (const char* name : {"plain.png", "plain.webp"}) {
    CExif none;
    EXPECT_FALSE(none.LoadFromJPEG(dir.file(name))) << name;  // no Exif chunk yet
  }
  run("exiftool -q -overwrite_original -Orientation#=6 -Artist=Lumivex " + dir.file("plain.png") + " " +
      dir.file("plain.webp"));
  for (const char* name : {"plain.png", "plain.webp"}) {
    CExif exif;
    ASSERT_TRUE(exif.LoadFromJPEG(dir.file(name))) << name;
    EXPECT_EQ(exif.getField(274), "6") << name;
    ASSERT_EQ(std::system(("exiftool -b -EXIF " + dir.file(name) + " > " + dir.file("oracle.bin")).c_str()),
              0);
    std::vector<std::uint8_t> expected = {'E', 'x', 'i', 'f', 0, 0};
    auto tiff = readBytes(dir.file("oracle.bin"));
    expected.insert(expected.end(), tiff.begin(), tiff.end());
    EXPECT_EQ(exif.getAPP1(), expected) << name;
  }
}

TEST(ExifChunks, MalformedChunksGiveNoBlock) {
  TempDir dir;
  // A PNG signature, then an eXIf chunk declaring more bytes than the file holds.
  std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0,
                                   0x10, 0,   'e', 'X', 'I',  'f',  'M',  'M',  0, 42};
  testing_support::writeBytes(dir.file("short.png"), png);
  // A WebP whose Exif chunk is not a TIFF structure.
  std::vector<std::uint8_t> webp = {'R', 'I', 'F', 'F', 20, 0, 0, 0, 'W', 'E', 'B', 'P',
                                    'E', 'X', 'I', 'F', 4,  0, 0, 0, 'a', 'b', 'c', 'd'};
  testing_support::writeBytes(dir.file("bad.webp"), webp);
  for (const char* name : {"short.png", "bad.webp"}) {
    CExif exif;
    EXPECT_FALSE(exif.LoadFromJPEG(dir.file(name))) << name;
    EXPECT_EQ(exif.getField(274), "") << name;
  }
}

}  // namespace
}  // namespace lumivex
