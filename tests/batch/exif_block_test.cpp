// The Exif block: finding the APP1 segment, reading and changing IFD0 values, refusing
// malformed blocks, and exiftool as an independent reader of what we change.
#include "metadata/exif_block.h"

#include <gtest/gtest.h>
#include <jpeglib.h>

#include <array>
#include <cstdio>
#include <map>
#include <memory>
#include <sstream>

#include "support/scripted_prompts.h"
#include "support/test_files.h"
#include "utilities/utilities.h"

namespace lumivex {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing_support::allSamplePhotos;
using testing_support::readBytes;
using testing_support::ScriptedPrompts;
using testing_support::TempDir;
using testing_support::writeBytes;

struct Entry {
  std::uint16_t tag;
  std::uint16_t type;
  std::uint32_t count;
  std::uint32_t value;  // the value field as a number in the block's byte order (SHORT: the first two bytes)
};

void put16(Bytes& b, std::uint16_t v, bool big) {
  if (big) {
    b.push_back(v >> 8);
    b.push_back(v & 0xFF);
  } else {
    b.push_back(v & 0xFF);
    b.push_back(v >> 8);
  }
}

void put32(Bytes& b, std::uint32_t v, bool big) {
  for (int i = 0; i < 4; ++i) b.push_back(big ? (v >> (24 - 8 * i)) & 0xFF : (v >> (8 * i)) & 0xFF);
}

// An Exif payload: identifier, TIFF header with IFD0 at offset 8, the entries, a next-IFD offset.
Bytes exifBlock(const std::vector<Entry>& entries, bool big, std::uint32_t nextIfd = 0) {
  Bytes b = {'E', 'x', 'i', 'f', 0, 0};
  b.push_back(big ? 'M' : 'I');
  b.push_back(big ? 'M' : 'I');
  put16(b, 42, big);
  put32(b, 8, big);
  put16(b, static_cast<std::uint16_t>(entries.size()), big);
  for (const Entry& e : entries) {
    put16(b, e.tag, big);
    put16(b, e.type, big);
    put32(b, e.count, big);
    if (e.type == 3) {
      put16(b, static_cast<std::uint16_t>(e.value), big);
      put16(b, 0, big);
    } else {
      put32(b, e.value, big);
    }
  }
  put32(b, nextIfd, big);
  return b;
}

Bytes segment(std::uint8_t marker, const Bytes& payload) {
  Bytes s = {0xFF, marker, static_cast<std::uint8_t>((payload.size() + 2) >> 8),
             static_cast<std::uint8_t>((payload.size() + 2) & 0xFF)};
  s.insert(s.end(), payload.begin(), payload.end());
  return s;
}

Bytes concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

const Bytes kSoi = {0xFF, 0xD8};
const Bytes kJfif = segment(0xE0, {'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0});
const Bytes kSosAndEnd = {0xFF, 0xDA, 0x00, 0x02, 0x12, 0x34, 0xFF, 0xD9};

// A real 16 x 16 JPEG from libjpeg-turbo with `app1` written as its only APP1 segment.
Bytes jpegWithApp1(const Bytes& app1, bool jfifFirst) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = 16;
  cinfo.image_height = 16;
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  cinfo.write_JFIF_header = jfifFirst;
  jpeg_start_compress(&cinfo, TRUE);
  jpeg_write_marker(&cinfo, JPEG_APP0 + 1, app1.data(), static_cast<unsigned>(app1.size()));
  std::array<unsigned char, 16 * 3> row{};
  for (int y = 0; y < 16; ++y) {
    row.fill(static_cast<unsigned char>(y * 16));
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  Bytes out(buffer, buffer + size);
  std::free(buffer);
  return out;
}

class ExifTest : public ::testing::Test {
 protected:
  std::string write(const std::string& name, const Bytes& bytes) {
    writeBytes(dir.file(name), bytes);
    return dir.file(name);
  }
  // Loads a block directly, as if it came from a camera file.
  void holdBlock(const Bytes& block) {
    ASSERT_TRUE(exif.LoadFromJPEG(write("held.jpg", concat({kSoi, segment(0xE1, block), kSosAndEnd}))));
  }

  TempDir dir;
  ScriptedPrompts prompts;
  CExif exif;
};

TEST_F(ExifTest, NewObjectHoldsNothing) {
  EXPECT_EQ(exif.getField(274), "");
  EXPECT_TRUE(exif.getAPP1().empty());
  exif.setField(274, 1);
  EXPECT_TRUE(exif.getAPP1().empty());
}

TEST_F(ExifTest, LittleEndianOrientationReadAndReset) {
  Bytes block = exifBlock({{0x010F, 2, 6, 0x1234}, {274, 3, 1, 6}, {0x011A, 5, 1, 0x99}}, false);
  holdBlock(block);
  EXPECT_EQ(exif.getAPP1(), block);
  EXPECT_EQ(exif.getField(274), "6");
  exif.setField(274, 1);
  EXPECT_EQ(exif.getField(274), "1");
  Bytes changed = exif.getAPP1();
  ASSERT_EQ(changed.size(), block.size());
  const std::size_t valueField = 6 + 8 + 2 + 12 + 8;  // the second entry's value field
  Bytes expected = block;
  expected[valueField] = 1;
  EXPECT_EQ(changed, expected);
}

TEST_F(ExifTest, BigEndianChangesTheLowByteOfTheValue) {
  Bytes block = exifBlock({{274, 3, 1, 6}, {0x0100, 4, 1, 0x00000208}}, true);
  holdBlock(block);
  EXPECT_EQ(exif.getField(274), "6");
  EXPECT_EQ(exif.getField(0x0100), "520");
  exif.setField(274, 1);
  exif.setField(0x0100, 0x07);
  Bytes changed = exif.getAPP1();
  const std::size_t first = 6 + 8 + 2;
  EXPECT_EQ(changed[first + 8], 0);
  EXPECT_EQ(changed[first + 9], 1);           // SHORT: second byte of the value field
  EXPECT_EQ(changed[first + 12 + 11], 0x07);  // LONG: fourth byte
  EXPECT_EQ(exif.getField(274), "1");
  EXPECT_EQ(exif.getField(0x0100), "519");
}

TEST_F(ExifTest, ValuesReadUnsignedAndTheLastEntryWins) {
  holdBlock(exifBlock({{0x0111, 4, 1, 0xFFFFFFFF}, {274, 3, 1, 3}, {274, 3, 1, 8}}, false));
  EXPECT_EQ(exif.getField(0x0111), "4294967295");
  EXPECT_EQ(exif.getField(274), "8");
  exif.setField(274, 1);  // every matching entry
  EXPECT_EQ(exif.getField(274), "1");
  EXPECT_EQ(exif.getField(0x8769), "");  // only IFD0 is read
}

TEST_F(ExifTest, ExifAfterJfifAndOtherApp1IsFound) {
  Bytes block = exifBlock({{274, 3, 1, 8}}, false);
  Bytes xmp = {'h', 't', 't', 'p', ':', '/', '/', 'n', 's', 0};
  std::string path =
      write("a.jpg", concat({kSoi, kJfif, segment(0xE1, xmp), segment(0xE1, block), kSosAndEnd}));
  EXPECT_TRUE(exif.LoadFromJPEG(path));
  EXPECT_EQ(exif.getAPP1(), block);
  EXPECT_EQ(exif.getField(274), "8");
  EXPECT_TRUE(prompts.notices.empty());
}

TEST_F(ExifTest, RealJpegsWithAndWithoutJfif) {
  Bytes block = exifBlock({{274, 3, 1, 6}}, true);
  for (bool jfif : {false, true}) {
    EXPECT_TRUE(exif.LoadFromJPEG(write("real.jpg", jpegWithApp1(block, jfif)))) << jfif;
    EXPECT_EQ(exif.getField(274), "6") << jfif;
  }
}

TEST_F(ExifTest, JpegWithoutExifGivesOneZeroByte) {
  holdBlock(exifBlock({{274, 3, 1, 6}}, false));
  Bytes afterScan =
      concat({kSoi, kJfif, {0xFF, 0xDA, 0x00, 0x02}, segment(0xE1, exifBlock({{274, 3, 1, 6}}, false))});
  for (const Bytes& file : {concat({kSoi, kJfif, kSosAndEnd}), afterScan, kSoi, concat({kSoi, {0xFF}}),
                            concat({kSoi, {0xFF, 0xE1, 0x00}}), concat({kSoi, {0xFF, 0xE1, 0x00, 0x01}}),
                            concat({kSoi, segment(0xE1, {'E', 'x', 'i', 'f', 0})})}) {
    EXPECT_FALSE(exif.LoadFromJPEG(write("plain.jpg", file)));
    EXPECT_EQ(exif.getAPP1(), Bytes{0});
    EXPECT_EQ(exif.getField(274), "");
  }
  EXPECT_TRUE(prompts.notices.empty());
}

TEST_F(ExifTest, NonJpegKeepsThePreviousBlockWithoutANotice) {
  Bytes block = exifBlock({{274, 3, 1, 6}}, false);
  holdBlock(block);
  EXPECT_FALSE(exif.LoadFromJPEG(write("a.gif", {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0})));
  EXPECT_FALSE(exif.LoadFromJPEG(write("a.bmp", {'B', 'M', 0, 0, 0, 0})));
  EXPECT_FALSE(exif.LoadFromJPEG(write("empty.jpg", {})));
  EXPECT_EQ(exif.getAPP1(), block);
  EXPECT_EQ(exif.sourceFile(), dir.file("empty.jpg"));
  EXPECT_TRUE(prompts.notices.empty());
}

// The parser answers with the problem; the words of the notice are the caller's to show.
TEST_F(ExifTest, UnreadableFileAnswersItsProblem) {
  EXPECT_FALSE(exif.LoadFromJPEG(dir.file("missing.jpg")));
  EXPECT_EQ(ExifReadErrorNotice(dir.file("missing.jpg"), exif.readError()),
            "Error reading Exif info (missing.jpg): No such file or directory");
  EXPECT_FALSE(exif.LoadFromJPEG(dir.path().string()));
  EXPECT_EQ(ExifReadErrorNotice(dir.path().string(), exif.readError()),
            "Error reading Exif info (" + FileNameOf(dir.path().string()) + "): Is a directory");
  EXPECT_TRUE(prompts.notices.empty());
}

TEST_F(ExifTest, ShortFileFillsTheBlockWithZeros) {
  Bytes block = exifBlock({{274, 3, 1, 6}}, false, 0x11223344);
  Bytes file = concat({kSoi, segment(0xE1, block)});
  file.resize(file.size() - 3);
  EXPECT_TRUE(exif.LoadFromJPEG(write("short.jpg", file)));
  Bytes expected = block;
  std::fill(expected.end() - 3, expected.end(), 0);
  EXPECT_EQ(exif.getAPP1(), expected);
  EXPECT_EQ(exif.getField(274), "6");
}

// Each block is broken in one way; all read as having no field and setField changes nothing.
TEST_F(ExifTest, MalformedBlocksHaveNoFields) {
  Bytes good = exifBlock({{274, 3, 1, 6}, {0x0100, 4, 1, 5}}, false);
  auto withIfdOffset = [&](std::uint32_t offset) {
    Bytes b = good;
    for (int i = 0; i < 4; ++i) b[10 + i] = (offset >> (8 * i)) & 0xFF;
    return b;
  };
  auto withCount = [&](std::uint16_t count) {
    Bytes b = good;
    b[14] = count & 0xFF;
    b[15] = count >> 8;
    return b;
  };
  std::map<std::string, Bytes> broken = {
      {"IFD0 past the end", withIfdOffset(static_cast<std::uint32_t>(good.size()))},
      {"IFD0 count cut off", withIfdOffset(static_cast<std::uint32_t>(good.size() - 7))},
      {"IFD0 offset near 2^32", withIfdOffset(0xFFFFFFFE)},
      {"IFD0 offset with top bit", withIfdOffset(0x80000008)},
      {"count too large", withCount(3)},
      {"count 65535", withCount(0xFFFF)},
      {"entries cut off", Bytes(good.begin(), good.end() - 9)},
      {"eighteen bytes", Bytes(good.begin(), good.begin() + 18)},
  };
  for (const auto& [what, block] : broken) {
    holdBlock(block);
    EXPECT_EQ(exif.getField(274), "") << what;
    EXPECT_EQ(exif.getField(0x0100), "") << what;
    exif.setField(274, 1);
    EXPECT_EQ(exif.getAPP1(), block) << what;
  }
}

// IFD0's next-IFD offset points back at IFD0: only IFD0 is read, so the walk ends and the
// fields that are there still read.
TEST_F(ExifTest, IfdLoopDoesNotTrapTheWalk) {
  holdBlock(exifBlock({{274, 3, 1, 6}, {0x8769, 4, 1, 8}}, false, 8));
  EXPECT_EQ(exif.getField(274), "6");
  EXPECT_EQ(exif.getField(0x9003), "");
}

TEST_F(ExifTest, BundledPhotosReadTheirOrientation) {
  // The orientation samples are named like "portrait_6.jpg": the digit is the expected value.
  int checked = 0;
  for (const std::string& path : allSamplePhotos()) {
    if (path.find("/orientation/") == std::string::npos || !path.ends_with(".jpg")) continue;
    std::string digit = path.substr(path.size() - 5, 1);
    if (path[path.size() - 6] != '_' || digit < "1" || digit > "8") continue;
    EXPECT_TRUE(exif.LoadFromJPEG(path)) << path;
    EXPECT_EQ(exif.getField(274), digit) << path;
    ++checked;
  }
  EXPECT_EQ(checked, 16);
  EXPECT_TRUE(prompts.notices.empty());
}

std::string runAndRead(const std::string& command) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::string out;
  char buffer[4096];
  while (pipe && std::fgets(buffer, sizeof buffer, pipe.get())) out += buffer;
  return out;
}

bool haveExiftool() { return std::system("exiftool -ver >/dev/null 2>&1") == 0; }

// exiftool reads every bundled photo's IFD0 orientation; ours must agree on each.
TEST_F(ExifTest, CameraPhotosAgreeWithExiftool) {
  if (!haveExiftool()) GTEST_SKIP() << "exiftool is not installed";
  std::string listing = runAndRead("exiftool -n -T -Directory -FileName -IFD0:Orientation -r '" +
                                   std::string(LUMIVEX_SAMPLES_DIR) + "' 2>/dev/null");
  int compared = 0;
  std::istringstream rows(listing);
  for (std::string folder, name, orientation; std::getline(rows, folder, '\t') &&
                                              std::getline(rows, name, '\t') &&
                                              std::getline(rows, orientation);) {
    std::string path = folder + "/" + name;
    std::string expected = orientation == "-" ? "" : orientation;
    exif.LoadFromJPEG(path);
    EXPECT_EQ(exif.getField(274), expected) << path;
    ++compared;
  }
  EXPECT_GE(compared, 30);
}

TEST_F(ExifTest, ResetOrientationIsReadBackByExiftool) {
  if (!haveExiftool()) GTEST_SKIP() << "exiftool is not installed";
  for (const char* sample :
       {"orientation/landscape_6.jpg", "orientation/portrait_8.jpg", "cameras/canon_hdr_YES.jpg"}) {
    ASSERT_TRUE(exif.LoadFromJPEG(testing_support::samplePhoto(sample)));
    ASSERT_NE(exif.getField(274), "1");
    exif.setField(274, 1);
    std::string out = write("out.jpg", jpegWithApp1(exif.getAPP1(), true));
    EXPECT_EQ(runAndRead("exiftool -n -s3 -Orientation '" + out + "'"), "1\n") << sample;
  }
}

TEST_F(ExifTest, CrashersReplay) {
  for (const std::string& path : testing_support::crasherFiles("exif")) {
    exif.LoadFromJPEG(path);
    for (int tag : {274, 0x0100, 0x8769, 0}) exif.getField(tag);
    exif.setField(274, 1);
    exif.getAPP1();
  }
}

}  // namespace
}  // namespace lumivex
