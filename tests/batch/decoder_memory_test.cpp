// The decoder memory of a photo against libjpeg's own reading of the same header.
#include <gtest/gtest.h>

#include <cstdlib>
#include <tuple>
#include <vector>

// clang-format off
#include <jpeglib.h>
// clang-format on

#include "metadata/decoder_memory.h"

namespace {

std::vector<std::uint8_t> encoded(int width, int height, bool progressive, bool grey) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr err{};
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = width, cinfo.image_height = height;
  cinfo.input_components = grey ? 1 : 3, cinfo.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&cinfo);
  if (progressive) jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<JSAMPLE> row(std::size_t(width) * cinfo.input_components, 128);
  for (JSAMPROW rows[1] = {row.data()}; cinfo.next_scanline < cinfo.image_height;)
    jpeg_write_scanlines(&cinfo, rows, 1);
  jpeg_finish_compress(&cinfo);
  std::vector<std::uint8_t> bytes(buffer, buffer + size);
  std::free(buffer);
  jpeg_destroy_compress(&cinfo);
  return bytes;
}

// What libjpeg's coefficient buffer holds for the file: every block of every component.
std::int64_t libjpegCoefficientBytes(const std::vector<std::uint8_t>& bytes) {
  jpeg_decompress_struct cinfo{};
  jpeg_error_mgr err{};
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, bytes.data(), bytes.size());
  jpeg_read_header(&cinfo, TRUE);
  std::int64_t total = 0;
  for (int c = 0; c < cinfo.num_components; ++c)
    total += std::int64_t{cinfo.comp_info[c].width_in_blocks} * cinfo.comp_info[c].height_in_blocks *
             std::int64_t{sizeof(JBLOCK)};
  jpeg_destroy_decompress(&cinfo);
  return total;
}

}  // namespace

TEST(DecoderMemory, ProgressiveFilesCountTheirCoefficientsAndNothingElseDoes) {
  for (auto [width, height, grey] :
       {std::tuple{1001, 77, false}, std::tuple{64, 64, false}, std::tuple{17, 999, true}}) {
    const auto progressive = encoded(width, height, true, grey);
    EXPECT_EQ(lumivex::DecoderMemoryBytes(progressive), libjpegCoefficientBytes(progressive)) << width;
    EXPECT_EQ(lumivex::DecoderMemoryBytes(encoded(width, height, false, grey)), 0) << width;
  }
  std::vector<std::uint8_t> cut = encoded(300, 200, true, false);
  for (std::size_t keep : {0, 1, 2, 5, 20}) {  // never read past what is there
    std::vector<std::uint8_t> start(cut.begin(), cut.begin() + keep);
    EXPECT_EQ(lumivex::DecoderMemoryBytes(start), 0) << keep;
  }
}
