// What the readers say when a photo cannot be read, or loads damaged: hostile headers refused by
// their declared size before any allocation, libjpeg's warnings kept instead of printed, files
// that are not regular files refused without waiting on them, and one reason per cause.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <thread>

// clang-format off
#include <jpeglib.h>
// clang-format on

#include "corvale.h"
#include "picture/picture.h"
#include "support/test_files.h"

using testing_support::TempDir;

namespace {

struct Loaded {
  corvale::Picture picture;
  std::string message;
  ~Loaded() { corvale::releasePicture(picture); }
};

void loadPath(const std::string& path, Loaded& out) {
  corvale::loadPictureFile(path.c_str(), out.picture, nullptr);
  out.message = corvale::lastLoadMessage();
}

void loadBytes(const std::vector<std::uint8_t>& bytes, const std::string& name, Loaded& out) {
  TempDir dir;
  testing_support::writeBytes(dir.file(name), bytes);
  loadPath(dir.file(name), out);
}

void put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// The 54 bytes of a BMP's two headers.
std::vector<std::uint8_t> bmpHeaders(std::uint32_t width, std::uint32_t height, int bitCount,
                                     int compression) {
  std::vector<std::uint8_t> b(54, 0);
  b[0] = 'B', b[1] = 'M';
  put32(b, 10, 54);
  put32(b, 14, 40);
  put32(b, 18, width);
  put32(b, 22, height);
  b[26] = 1, b[28] = static_cast<std::uint8_t>(bitCount), b[30] = static_cast<std::uint8_t>(compression);
  return b;
}

enum class Coding { kBaseline, kProgressive, kArithmetic };

// A flat grey image: the most compressible photo there is.
std::vector<std::uint8_t> flatJpeg(int width, int height, Coding coding) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr err{};
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = static_cast<JDIMENSION>(width), cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = 3, cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  if (coding == Coding::kProgressive) jpeg_simple_progression(&cinfo);
  cinfo.arith_code = coding == Coding::kArithmetic;
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<JSAMPLE> row(static_cast<std::size_t>(width) * 3, 128);
  for (int y = 0; y < height; ++y) {
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&cinfo, &r, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::vector<std::uint8_t> bytes(buffer, buffer + size);
  std::free(buffer);
  return bytes;
}

// Rewrites the first frame header's height and width.
void claimSize(std::vector<std::uint8_t>& jpeg, int width, int height) {
  for (std::size_t i = 0; i + 8 < jpeg.size(); ++i)
    if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) {
      jpeg[i + 5] = static_cast<std::uint8_t>(height >> 8), jpeg[i + 6] = static_cast<std::uint8_t>(height);
      jpeg[i + 7] = static_cast<std::uint8_t>(width >> 8), jpeg[i + 8] = static_cast<std::uint8_t>(width);
      return;
    }
}

// Everything written to file descriptor 2 while `action` runs.
template <typename Action>
std::string capturedStderr(Action action) {
  std::fflush(stderr);
  std::FILE* capture = std::tmpfile();
  int saved = dup(2);
  dup2(fileno(capture), 2);
  action();
  std::fflush(stderr);
  dup2(saved, 2);
  close(saved);
  std::string text;
  std::rewind(capture);
  for (int c; (c = std::fgetc(capture)) != EOF;) text += static_cast<char>(c);
  std::fclose(capture);
  return text;
}

}  // namespace

// Each of these files is a few bytes declaring a 23000 x 23000 picture (2 GB): the message names
// the cause found from the header, so nothing was allocated or decoded.
TEST(ReaderMessages, TinyFilesDeclaringHugePicturesAreRefusedByTheirSize) {
  const std::string tooShort = "is too short for its size (23000 x 23000)";
  Loaded bmp24;
  loadBytes(bmpHeaders(23000, 23000, 24, 0), "a.bmp", bmp24);
  EXPECT_TRUE(bmp24.picture.empty());
  EXPECT_EQ(bmp24.message, tooShort);

  auto rle8 = bmpHeaders(23000, 23000, 8, 1);
  rle8.resize(54 + 1024 + 64, 0);  // palette and a few runs
  Loaded bmpRle;
  loadBytes(rle8, "a.bmp", bmpRle);
  EXPECT_TRUE(bmpRle.picture.empty());
  EXPECT_EQ(bmpRle.message, tooShort);

  for (Coding coding : {Coding::kBaseline, Coding::kProgressive}) {
    auto jpeg = flatJpeg(64, 64, coding);
    claimSize(jpeg, 23000, 23000);
    Loaded cut;
    loadBytes(jpeg, "a.jpg", cut);
    EXPECT_TRUE(cut.picture.empty());
    EXPECT_EQ(cut.message, tooShort);
  }
}

// The bounds are far below what real coders need: flat images, the most compressible there are,
// load in every coding, and so does a real photo cut short.
TEST(ReaderMessages, HighlyCompressedAndCutPhotosStillLoad) {
  for (Coding coding : {Coding::kBaseline, Coding::kProgressive, Coding::kArithmetic}) {
    Loaded flat;
    loadBytes(flatJpeg(3000, 2000, coding), "flat.jpg", flat);
    EXPECT_EQ(flat.picture.width, 3000) << static_cast<int>(coding);
    EXPECT_EQ(flat.message, "") << static_cast<int>(coding);
  }
  auto photo = testing_support::readBytes(testing_support::samplePhoto("cameras/fujifilm-finepix40i.jpg"));
  std::size_t scan = photo.size() - 2;  // the image's start of scan (the last one; Exif holds a thumbnail)
  while (scan > 0 && !(photo[scan] == 0xFF && photo[scan + 1] == 0xDA)) --scan;
  photo.resize(scan + 200);  // a few hundred of its 4000 blocks
  Loaded cut;
  loadBytes(photo, "cut.jpg", cut);
  EXPECT_EQ(cut.picture.width, 600) << cut.message;
}

// libjpeg's "Premature end of JPEG file" becomes the message of a picture that still loads, and
// nothing reaches stderr.
TEST(ReaderMessages, CutShortJpegLoadsWithItsWarningAndNothingOnStderr) {
  auto photo = testing_support::readBytes(testing_support::samplePhoto("cameras/fujifilm-finepix40i.jpg"));
  photo.resize(photo.size() / 2);
  Loaded cut;
  std::string printed = capturedStderr([&] { loadBytes(photo, "cut.jpg", cut); });
  EXPECT_EQ(printed, "");
  EXPECT_EQ(cut.picture.width, 600);
  EXPECT_NE(cut.message.find("premature end of JPEG file"), std::string::npos) << cut.message;

  Loaded whole;
  loadPath(testing_support::samplePhoto("cameras/fujifilm-finepix40i.jpg"), whole);
  EXPECT_EQ(whole.message, "");
}

// A pipe named like a photo would block a reader that opened it for reading until a writer came.
TEST(ReaderMessages, WhatIsNotARegularFileIsRefusedUnopened) {
  TempDir dir;
  ASSERT_EQ(mkfifo(dir.file("pipe.jpg").c_str(), 0600), 0);
  std::filesystem::create_directory(dir.file("folder.gif"));
  std::filesystem::create_symlink("/dev/zero", dir.file("device.bmp"));
  const std::vector<std::pair<std::string, std::string>> cases = {
      {dir.file("pipe.jpg"), "is a pipe, not a file"},
      {dir.file("folder.gif"), "is a folder"},
      {dir.file("device.bmp"), "is a device, not a file"},
      {dir.file("missing.wdp"), "cannot be opened: No such file or directory"},
      {"", "has no name"},
      {dir.file("notes.txt"), "is not a picture this engine reads"},
  };
  testing_support::writeBytes(dir.file("notes.txt"), std::vector<std::uint8_t>(64, 'x'));
  for (const auto& [path, reason] : cases) {
    Loaded loaded;
    loadPath(path, loaded);
    EXPECT_TRUE(loaded.picture.empty()) << path;
    EXPECT_EQ(loaded.message, reason) << path;
  }
}

TEST(ReaderMessages, EachReaderNamesWhatItDoesNotRead) {
  // No format's signature: each file goes to the reader its name asks for.
  const std::vector<std::uint8_t> text(64, 'x');
  auto bmp64 = bmpHeaders(2, 2, 64, 0);
  bmp64.resize(54 + 32, 0);
  auto gifCut = std::vector<std::uint8_t>{'G', 'I', 'F', '8', '9', 'a', 2, 0, 2, 0, 0, 0, 0};
  const std::vector<std::tuple<std::vector<std::uint8_t>, std::string, std::string>> cases = {
      {text, "p.jpg", "cannot be read as an image: not a JPEG file: starts with 0x78 0x78"},
      {text, "p.bmp", "is not a BMP file"},
      {text, "p.gif", "is not a GIF file"},
      {bmp64, "b.bmp", "64-bit BMP is not supported"},
      {gifCut, "g.gif", "is cut short before its first image"},
      {{}, "e.jpg", "is empty"},
  };
  for (const auto& [bytes, name, reason] : cases) {
    Loaded loaded;
    loadBytes(bytes, name, loaded);
    EXPECT_TRUE(loaded.picture.empty()) << name;
    EXPECT_EQ(loaded.message, reason) << name;
  }
}

// The message belongs to the thread that loaded, through the exported function too.
TEST(ReaderMessages, EachThreadKeepsItsOwnMessage) {
  Loaded missing;
  loadPath("/nonexistent/photo.jpg", missing);
  std::string other;
  std::thread([&] {
    Loaded fine;
    loadPath(testing_support::samplePhoto("cameras/fujifilm-finepix40i.jpg"), fine);
    other = cpic_lastLoadMessage();
  }).join();
  EXPECT_EQ(other, "");
  EXPECT_STREQ(cpic_lastLoadMessage(), "cannot be opened: No such file or directory");
}

// Every reason travels with its cause, the number callers decide by, through the export too; the
// numbers are stable and each has its own words.
TEST(ReaderMessages, EveryReasonCarriesItsCause) {
  using corvale::LoadCause;
  TempDir dir;
  std::filesystem::create_directory(dir.file("folder.gif"));
  auto photo = testing_support::readBytes(testing_support::samplePhoto("cameras/fujifilm-finepix40i.jpg"));
  auto cut = photo;
  cut.resize(cut.size() / 2);
  testing_support::writeBytes(dir.file("cut.jpg"), cut);
  testing_support::writeBytes(dir.file("text.jpg"), {'h', 'e', 'l', 'l', 'o'});
  testing_support::writeBytes(dir.file("empty.png"), {});
  testing_support::writeBytes(dir.file("notes.txt"), {'n', 'o', 't', 'e', 's'});
  auto forged = bmpHeaders(23000, 23000, 24, 0);
  testing_support::writeBytes(dir.file("forged.bmp"), forged);
  auto bmp16 = bmpHeaders(2, 2, 16, 5);
  bmp16.resize(54 + 16, 0);
  testing_support::writeBytes(dir.file("b16.bmp"), bmp16);
  const std::vector<std::pair<std::string, LoadCause>> cases = {
      {testing_support::samplePhoto("cameras/fujifilm-finepix40i.jpg"), LoadCause::kNone},
      {dir.file("cut.jpg"), LoadCause::kWarnings},
      {dir.file("text.jpg"), LoadCause::kNotAnImage},
      {dir.file("notes.txt"), LoadCause::kNotAnImage},
      {dir.file("empty.png"), LoadCause::kTruncated},
      {dir.file("forged.bmp"), LoadCause::kTooLargeForItsFile},
      {dir.file("b16.bmp"), LoadCause::kUnsupported},
      {dir.file("missing.gif"), LoadCause::kIoError},
      {"", LoadCause::kNoName},
      {dir.file("folder.gif"), LoadCause::kNotAFile},
  };
  for (const auto& [path, cause] : cases) {
    Loaded loaded;
    loadPath(path, loaded);
    EXPECT_EQ(corvale::lastLoadCause(), cause) << path << ": " << loaded.message;
    EXPECT_EQ(cpic_lastLoadCause(), static_cast<int>(cause)) << path;
    EXPECT_EQ(loaded.picture.empty(), cause != LoadCause::kNone && cause != LoadCause::kWarnings) << path;
  }
  EXPECT_EQ(static_cast<int>(LoadCause::kTooLargeForItsFile), 5);
  EXPECT_EQ(static_cast<int>(LoadCause::kNotAFile), 11);
  EXPECT_EQ(static_cast<int>(LoadCause::kPlanRefused), 12);
  std::set<std::string> words;
  for (int n = 0; n < corvale::kLoadCauseCount; ++n)
    words.insert(corvale::loadCauseWords(corvale::loadCauseOf(n)));
  EXPECT_EQ(words.size(), std::size_t(corvale::kLoadCauseCount));
  EXPECT_STREQ(corvale::loadCauseWords(LoadCause::kTooLargeForItsFile), "too large for its file");
}
