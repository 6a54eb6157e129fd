// Reading the Exif, XMP and ICC segments of a JPEG file in one scan: libjpeg-turbo writes the ICC
// chunks as the independent oracle, hand-made files bring the malformed cases.
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "metadata/photo_metadata.h"
#include "support/test_files.h"

namespace lumivex {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing_support::TempDir;
using testing_support::writeBytes;

const Bytes kExif = {'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 42, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0};

Bytes xmpPayload() {
  std::string text =
      std::string("http://ns.adobe.com/xap/1.0/\0", 29) + "<x:xmpmeta xmlns:x='adobe:ns:meta/'/>";
  return Bytes(text.begin(), text.end());
}

Bytes xmpPacket() {
  Bytes payload = xmpPayload();
  return Bytes(payload.begin() + 29, payload.end());
}

Bytes patternOf(std::size_t size, int seed) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 13 + seed + i / 509);
  return bytes;
}

// An 8x8 grey JPEG from libjpeg-turbo with the Exif and XMP segments and the profile.
Bytes libjpegFile(const Bytes& profile) {
  jpeg_compress_struct info{};
  jpeg_error_mgr error{};
  info.err = jpeg_std_error(&error);
  jpeg_create_compress(&info);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &out, &size);
  info.image_width = info.image_height = 8;
  info.input_components = 1;
  info.in_color_space = JCS_GRAYSCALE;
  jpeg_set_defaults(&info);
  info.write_JFIF_header = TRUE;
  jpeg_start_compress(&info, TRUE);
  jpeg_write_marker(&info, JPEG_APP0 + 1, kExif.data(), static_cast<unsigned>(kExif.size()));
  Bytes xmp = xmpPayload();
  jpeg_write_marker(&info, JPEG_APP0 + 1, xmp.data(), static_cast<unsigned>(xmp.size()));
  jpeg_write_icc_profile(&info, profile.data(), static_cast<unsigned>(profile.size()));
  std::uint8_t row[8] = {10, 20, 30, 40, 50, 60, 70, 80};
  JSAMPROW rows[1] = {row};
  while (info.next_scanline < 8) jpeg_write_scanlines(&info, rows, 1);
  jpeg_finish_compress(&info);
  Bytes file(out, out + size);
  jpeg_destroy_compress(&info);
  std::free(out);
  return file;
}

// Hand-made files: SOI, the given segments, then the start of a scan that ends the search.
void addSegment(Bytes& file, std::uint8_t marker, const Bytes& payload) {
  file.insert(file.end(),
              {0xFF, marker, std::uint8_t((payload.size() + 2) >> 8), std::uint8_t(payload.size() + 2)});
  file.insert(file.end(), payload.begin(), payload.end());
}
Bytes iccChunk(int sequence, int count, const Bytes& data) {
  Bytes payload = {
      'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0, std::uint8_t(sequence), std::uint8_t(count)};
  payload.insert(payload.end(), data.begin(), data.end());
  return payload;
}
struct Chunk {
  int sequence, count;
  Bytes data;
};
Bytes fileWithChunks(const std::vector<Chunk>& chunks) {
  Bytes file = {0xFF, 0xD8};
  addSegment(file, 0xE1, kExif);
  for (const Chunk& c : chunks) addSegment(file, 0xE2, iccChunk(c.sequence, c.count, c.data));
  addSegment(file, 0xE1, xmpPayload());
  file.insert(file.end(), {0xFF, 0xDA, 0x00, 0x02, 0xFF, 0xD9});
  return file;
}

PhotoMetadata readBack(const TempDir& dir, const Bytes& file) {
  std::string path = dir.file("photo.jpg");
  writeBytes(path, file);
  return ReadPhotoMetadata(path);
}

TEST(JpegMetadata, OneScanFindsExifXmpAndTheProfileLibjpegSplit) {
  TempDir dir;
  Bytes profile = patternOf(150000, 1);  // three chunks
  Bytes file = libjpegFile(profile);
  PhotoMetadata metadata = readBack(dir, file);
  EXPECT_EQ(metadata.container, MetadataContainer::Jpeg);
  EXPECT_EQ(metadata.jpegComponents, 1);
  EXPECT_EQ(metadata.exif, kExif);
  EXPECT_EQ(metadata.xmp, xmpPacket());
  EXPECT_EQ(metadata.icc, profile);

  // Chunks in any order come back in sequence order; a file without Exif still gives the rest.
  Bytes a = patternOf(300, 2), b = patternOf(200, 3), c = patternOf(1, 4);
  metadata = readBack(dir, fileWithChunks({{3, 3, c}, {1, 3, a}, {2, 3, b}}));
  Bytes joined = a;
  joined.insert(joined.end(), b.begin(), b.end());
  joined.insert(joined.end(), c.begin(), c.end());
  EXPECT_EQ(metadata.icc, joined);
  Bytes noExif = {0xFF, 0xD8};
  addSegment(noExif, 0xE2, iccChunk(1, 1, a));
  addSegment(noExif, 0xE1, xmpPayload());
  metadata = readBack(dir, noExif);  // the file ends before any scan
  EXPECT_TRUE(metadata.exif.empty());
  EXPECT_EQ(metadata.icc, a);
  EXPECT_EQ(metadata.xmp, xmpPacket());
}

TEST(JpegMetadata, MalformedChunksGiveNoProfileButKeepTheRest) {
  TempDir dir;
  Bytes a = patternOf(100, 5), b = patternOf(100, 6);
  const std::vector<std::pair<const char*, std::vector<Chunk>>> cases = {
      {"missing chunk", {{1, 3, a}, {3, 3, b}}},
      {"repeated chunk", {{1, 2, a}, {1, 2, b}, {2, 2, b}}},
      {"sequence zero", {{0, 1, a}}},
      {"sequence above count", {{1, 2, a}, {3, 2, b}}},
      {"counts disagree", {{1, 2, a}, {2, 3, b}}},
      {"count zero", {{1, 0, a}}},
  };
  for (const auto& [name, chunks] : cases) {
    SCOPED_TRACE(name);
    PhotoMetadata metadata = readBack(dir, fileWithChunks(chunks));
    EXPECT_TRUE(metadata.icc.empty());
    EXPECT_EQ(metadata.exif, kExif);
    EXPECT_EQ(metadata.xmp, xmpPacket());
  }
  // A chunk without its sequence and count bytes, and a file that ends inside the last chunk.
  Bytes shortHeader = {0xFF, 0xD8};
  addSegment(shortHeader, 0xE2, {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0, 1});
  EXPECT_TRUE(readBack(dir, shortHeader).icc.empty());
  Bytes cut = fileWithChunks({{1, 2, a}, {2, 2, b}});
  cut.resize(cut.size() - 6 - (xmpPayload().size() + 4) - 10);
  PhotoMetadata metadata = readBack(dir, cut);
  EXPECT_EQ(metadata.exif, kExif);
  EXPECT_TRUE(metadata.icc.empty());
  // Segments after the start of the scan are picture data, not metadata.
  Bytes late = {0xFF, 0xD8, 0xFF, 0xDA, 0x00, 0x02};
  addSegment(late, 0xE2, iccChunk(1, 1, a));
  EXPECT_TRUE(readBack(dir, late).exif.empty());
  EXPECT_TRUE(readBack(dir, late).icc.empty());
}

TEST(JpegMetadata, OnlyRegularJpegFilesAreRead) {
  TempDir dir;
  EXPECT_EQ(readBack(dir, {'G', 'I', 'F', '8', '9', 'a'}).container, MetadataContainer::None);
  ASSERT_EQ(::mkfifo(dir.file("pipe.jpg").c_str(), 0600), 0);
  PhotoMetadata fifo = ReadPhotoMetadata(dir.file("pipe.jpg"));  // would block if it waited for a writer
  EXPECT_EQ(fifo.outcome, MetadataRead::NotOpened);
  EXPECT_EQ(fifo.errorText, "Not a regular file");
  PhotoMetadata folder = ReadPhotoMetadata(dir.path().string());
  EXPECT_EQ(folder.outcome, MetadataRead::NotOpened);
  EXPECT_EQ(folder.errorText, "Is a directory");
  EXPECT_EQ(ReadPhotoMetadata(dir.file("missing.jpg")).errorText, "No such file or directory");
}

TEST(JpegMetadata, CrashersAndSamplesReadSafely) {
  std::vector<std::string> files = testing_support::crasherFiles("jpeg");
  for (const std::string& exif : testing_support::crasherFiles("exif")) files.push_back(exif);
  for (const std::string& photo : testing_support::allSamplePhotos()) files.push_back(photo);
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    PhotoMetadata metadata = ReadPhotoMetadata(file);
    EXPECT_EQ(metadata.outcome, MetadataRead::Read);
  }
}

}  // namespace
}  // namespace lumivex
