// The metadata cJpeg carries into its files: the Exif and XMP APP1 segments and the ICC profile in
// APP2 chunks. libjpeg-turbo's jpeg_read_icc_profile and exiftool read them back as the oracles.
#include <gtest/gtest.h>
#include <jpeglib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "encoder/cjpeg.h"
#include "encoder/jpeg_oracle.h"
#include "encoder/jpeg_segments.h"
#include "support/test_files.h"

namespace lumivex {
namespace {

using Bytes = std::vector<std::uint8_t>;
using encoder_tests::encodeImage;
using encoder_tests::listSegments;
using encoder_tests::syntheticImage;

const char kAdobeRgb[] = "/usr/share/color/icc/colord/AdobeRGB1998.icc";
const std::string kXmpIdentifier("http://ns.adobe.com/xap/1.0/\0", 29);

struct JumpingError {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

// The profile as libjpeg-turbo reassembles it; empty when it finds none.
Bytes iccByLibjpeg(const Bytes& file) {
  jpeg_decompress_struct info{};
  JumpingError error{};
  info.err = jpeg_std_error(&error.manager);
  error.manager.error_exit = [](j_common_ptr common) {
    std::longjmp(reinterpret_cast<JumpingError*>(common->err)->jump, 1);
  };
  Bytes profile;
  if (setjmp(error.jump) == 0) {
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_save_markers(&info, JPEG_APP0 + 2, 0xFFFF);
    jpeg_read_header(&info, TRUE);
    JOCTET* data = nullptr;
    unsigned int size = 0;
    if (jpeg_read_icc_profile(&info, &data, &size)) profile.assign(data, data + size);
    std::free(data);
  }
  jpeg_destroy_decompress(&info);
  return profile;
}

// What exiftool prints for `arguments` on the file.
std::string exiftool(const std::string& arguments, const std::string& path) {
  std::string output;
  std::FILE* pipe = ::popen(("exiftool " + arguments + " '" + path + "' 2>/dev/null").c_str(), "r");
  if (!pipe) return output;
  char buffer[65536];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
  ::pclose(pipe);
  return output;
}

Bytes patternOf(std::size_t size) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
  return bytes;
}

// The APP2 segments' lengths and (sequence, count) pairs, in file order.
struct Chunks {
  std::vector<std::size_t> lengths;
  std::vector<std::pair<int, int>> numbers;
};
Chunks app2Chunks(const Bytes& file) {
  Chunks chunks;
  auto segments = listSegments(file);
  for (std::size_t i = 0; i < segments.markers.size(); ++i) {
    if (segments.markers[i] != kMarkerApp2) continue;
    std::size_t at = segments.offsets[i];
    chunks.lengths.push_back(file[at + 2] * 256u + file[at + 3]);
    chunks.numbers.emplace_back(file[at + 16], file[at + 17]);
  }
  return chunks;
}

TEST(MetadataSegments, ExifThenXmpThenProfileReadBackByExiftool) {
  testing_support::TempDir dir;
  Bytes profile = testing_support::readBytes(kAdobeRgb);
  ASSERT_GT(profile.size(), 128u);
  std::string packet =
      "<?xpacket begin='' id='W5M0MpCehiHzreSzNTczkc9d'?><x:xmpmeta xmlns:x='adobe:ns:meta/'>"
      "<rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description "
      "xmlns:dc='http://purl.org/dc/elements/1.1/'><dc:format>image/jpeg</dc:format>"
      "</rdf:Description></rdf:RDF></x:xmpmeta><?xpacket end='w'?>";
  std::string xmp = kXmpIdentifier + packet;
  Bytes exif = {'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 42, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0};

  cJpeg encoder;
  encoder.setExif(exif);
  encoder.setXmp(Bytes(xmp.begin(), xmp.end()));
  EXPECT_TRUE(encoder.setIccProfile(profile));
  encoder.setComment("after the metadata");
  Bytes file = encodeImage(encoder, syntheticImage(16, 16));

  EXPECT_EQ(listSegments(file).markers,
            (Bytes{0xD8, 0xE1, 0xE1, 0xE2, 0xFE, 0xDB, 0xDB, 0xC0, 0xC4, 0xC4, 0xC4, 0xC4, 0xDA, 0xD9}));
  EXPECT_EQ(app2Chunks(file).numbers, (std::vector<std::pair<int, int>>{{1, 1}}));
  EXPECT_EQ(iccByLibjpeg(file), profile);
  std::string path = dir.file("out.jpg");
  testing_support::writeBytes(path, file);
  std::string icc = exiftool("-icc_profile -b", path);
  EXPECT_EQ(Bytes(icc.begin(), icc.end()), profile);
  EXPECT_EQ(exiftool("-xmp -b", path), packet);
  EXPECT_EQ(exiftool("-s3 -ColorSpaceData", path), "RGB\n");  // exiftool parsed the profile
  EXPECT_EQ(exiftool("-s3 -Format", path), "image/jpeg\n");
}

TEST(MetadataSegments, LargeProfileSplitsAt65519Bytes) {
  testing_support::TempDir dir;
  for (std::size_t size : {kIccChunkDataSize, kIccChunkDataSize + 1, 3 * kIccChunkDataSize + 100}) {
    SCOPED_TRACE(size);
    Bytes profile = patternOf(size);
    cJpeg encoder;
    ASSERT_TRUE(encoder.setIccProfile(profile));
    Bytes file = encodeImage(encoder, syntheticImage(8, 8));
    Chunks chunks = app2Chunks(file);
    std::size_t count = (size + kIccChunkDataSize - 1) / kIccChunkDataSize;
    ASSERT_EQ(chunks.numbers.size(), count);
    for (std::size_t i = 0; i < count; ++i) {
      EXPECT_EQ(chunks.numbers[i], std::make_pair(int(i + 1), int(count)));
      std::size_t data = i + 1 < count ? kIccChunkDataSize : size - (count - 1) * kIccChunkDataSize;
      EXPECT_EQ(chunks.lengths[i], data + 16);
    }
    EXPECT_EQ(chunks.lengths[0], std::min<std::size_t>(size + 16, 65535));
    EXPECT_EQ(iccByLibjpeg(file), profile);
    std::string path = dir.file("large.jpg");
    std::filesystem::remove(path);
    testing_support::writeBytes(path, file);
    std::string icc = exiftool("-icc_profile -b", path);
    EXPECT_EQ(Bytes(icc.begin(), icc.end()), profile);
  }
}

TEST(MetadataSegments, ProfileOfMoreThan255ChunksIsRefusedAndNoneWritten) {
  cJpeg encoder;
  ASSERT_TRUE(encoder.setIccProfile(patternOf(1000)));
  EXPECT_FALSE(encoder.setIccProfile(Bytes(kIccMaxProfileSize + 1, 0x55)));
  Bytes file = encodeImage(encoder, syntheticImage(8, 8));
  EXPECT_TRUE(app2Chunks(file).numbers.empty());
  EXPECT_TRUE(iccByLibjpeg(file).empty());

  EXPECT_TRUE(encoder.setIccProfile(Bytes(kIccMaxProfileSize, 0x55)));
  Chunks chunks = app2Chunks(encodeImage(encoder, syntheticImage(8, 8)));
  ASSERT_EQ(chunks.numbers.size(), 255u);
  EXPECT_EQ(chunks.numbers.back(), std::make_pair(255, 255));
}

}  // namespace
}  // namespace lumivex
