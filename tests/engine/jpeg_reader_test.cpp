// The JPEG reader against libjpeg-turbo decoding the same files directly.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

// clang-format off
#include <jpeglib.h>
// clang-format on

#include "picture/picture.h"
#include "support/test_files.h"

using corvale::Picture;
using testing_support::TempDir;

namespace {

struct Decoded {
  int width = 0, height = 0, components = 0;
  std::vector<std::uint8_t> samples;
};

// Straight libjpeg decode with default parameters: the reference.
Decoded decodeWithLibjpeg(const std::vector<std::uint8_t>& bytes) {
  jpeg_decompress_struct cinfo{};
  jpeg_error_mgr err{};
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, bytes.data(), bytes.size());
  jpeg_read_header(&cinfo, TRUE);
  jpeg_start_decompress(&cinfo);
  Decoded d{static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height), cinfo.output_components, {}};
  d.samples.resize(std::size_t(d.width) * d.height * d.components);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = d.samples.data() + std::size_t(cinfo.output_scanline) * d.width * d.components;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return d;
}

using SampleFn = std::function<void(int x, int y, JSAMPLE* out)>;

std::vector<std::uint8_t> encode(int width, int height, int components, J_COLOR_SPACE in, J_COLOR_SPACE stored,
                                 const SampleFn& sample) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr err{};
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = width, cinfo.image_height = height;
  cinfo.input_components = components, cinfo.in_color_space = in;
  jpeg_set_defaults(&cinfo);
  jpeg_set_colorspace(&cinfo, stored);
  jpeg_set_quality(&cinfo, 100, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<JSAMPLE> row(std::size_t(width) * components);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) sample(x, y, &row[std::size_t(x) * components]);
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&cinfo, &r, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::vector<std::uint8_t> bytes(buffer, buffer + size);
  std::free(buffer);
  return bytes;
}

struct Loaded {
  Picture picture;
  ~Loaded() { corvale::releasePicture(picture); }
};

void load(const std::vector<std::uint8_t>& bytes, Loaded& out) {
  TempDir dir;
  testing_support::writeBytes(dir.file("p.jpg"), bytes);
  corvale::loadPictureFile(dir.file("p.jpg").c_str(), out.picture, nullptr);
}

}  // namespace

TEST(JpegReader, SamplePhotosMatchLibjpegInBlueGreenRedOrder) {
  for (const std::string& path : testing_support::allSamplePhotos()) {
    auto bytes = testing_support::readBytes(path);
    Decoded ref = decodeWithLibjpeg(bytes);
    ASSERT_EQ(ref.components, 3) << path;
    Picture picture;
    corvale::loadPictureFile(path.c_str(), picture, nullptr);
    ASSERT_EQ(picture.width, ref.width) << path;
    ASSERT_EQ(picture.height, ref.height) << path;
    std::size_t mismatches = 0;
    for (std::size_t i = 0, n = std::size_t(ref.width) * ref.height; i < n; ++i) {
      const std::uint8_t* p = picture.pixels + i * 4;
      const std::uint8_t* s = &ref.samples[i * 3];
      mismatches += p[0] != s[2] || p[1] != s[1] || p[2] != s[0] || p[3] != 0;
    }
    EXPECT_EQ(mismatches, 0u) << path;
    corvale::releasePicture(picture);
  }
}

TEST(JpegReader, GreyFilesGiveEqualBlueGreenAndRed) {
  auto bytes = encode(9, 5, 1, JCS_GRAYSCALE, JCS_GRAYSCALE, [](int x, int y, JSAMPLE* out) { *out = JSAMPLE(x * 20 + y); });
  Decoded ref = decodeWithLibjpeg(bytes);
  Loaded l;
  load(bytes, l);
  ASSERT_EQ(l.picture.width, 9);
  for (int i = 0; i < 45; ++i) {
    const std::uint8_t* p = l.picture.pixels + i * 4;
    EXPECT_EQ(p[0], ref.samples[i]);
    EXPECT_EQ(p[1], ref.samples[i]);
    EXPECT_EQ(p[2], ref.samples[i]);
  }
}

TEST(JpegReader, CmykAndYcckFilesComeOutInColour) {
  // Stored the way Adobe stores CMYK: inverted, so (0, 255, 255, 255) is full cyan ink = red 0.
  SampleFn cyan = [](int, int, JSAMPLE* out) { out[0] = 0, out[1] = 255, out[2] = 255, out[3] = 255; };
  SampleFn halfGrey = [](int, int, JSAMPLE* out) { out[0] = out[1] = out[2] = 255, out[3] = 128; };
  for (J_COLOR_SPACE stored : {JCS_CMYK, JCS_YCCK}) {
    Loaded c;
    load(encode(16, 8, 4, JCS_CMYK, stored, cyan), c);
    ASSERT_EQ(c.picture.width, 16);
    const std::uint8_t* p = c.picture.pixels;
    EXPECT_NEAR(p[2], 0, 3) << "red";
    EXPECT_NEAR(p[1], 255, 3) << "green";
    EXPECT_NEAR(p[0], 255, 3) << "blue";
    Loaded g;
    load(encode(16, 8, 4, JCS_CMYK, stored, halfGrey), g);
    p = g.picture.pixels + 4 * 20;
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(p[k], 128, 3);
  }
}

TEST(JpegReader, BrokenFilesGiveAnEmptyPictureAndTheProcessGoesOn) {
  auto good = testing_support::readBytes(testing_support::samplePhoto("cameras/fujifilm-finepix40i.jpg"));
  std::vector<std::vector<std::uint8_t>> broken = {
      {}, {'B', 'M', 1, 2, 3}, {0xFF, 0xD8}, {0xFF, 0xD8, 0xFF, 0xC0, 0x00},
      std::vector<std::uint8_t>(good.begin(), good.begin() + 300),  // ends inside the tables
  };
  for (std::size_t i = 0; i < broken.size(); ++i) {
    Loaded l;
    load(broken[i], l);
    EXPECT_EQ(l.picture.width, 0) << i;
    EXPECT_EQ(l.picture.pixels, nullptr) << i;
  }
}

TEST(JpegReader, AStreamThatEndsEarlyGivesThePartDecoded) {
  auto good = testing_support::readBytes(testing_support::samplePhoto("cameras/fujifilm-finepix40i.jpg"));
  Loaded l;
  load(std::vector<std::uint8_t>(good.begin(), good.begin() + good.size() / 2), l);
  EXPECT_EQ(l.picture.width, 600);
  EXPECT_EQ(l.picture.height, 450);
}

TEST(JpegReader, AnImageTooLargeToHoldIsRefusedBeforeDecoding) {
  auto bytes = encode(16, 16, 3, JCS_RGB, JCS_YCbCr, [](int, int, JSAMPLE* out) { out[0] = out[1] = out[2] = 9; });
  // Patch the frame header to claim 60000 x 60000 pixels.
  for (std::size_t i = 0; i + 8 < bytes.size(); ++i)
    if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {
      bytes[i + 5] = 0xEA, bytes[i + 6] = 0x60, bytes[i + 7] = 0xEA, bytes[i + 8] = 0x60;
      break;
    }
  Loaded l;
  load(bytes, l);
  EXPECT_EQ(l.picture.width, 0);
}
