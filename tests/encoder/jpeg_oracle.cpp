#include "encoder/jpeg_oracle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>

// clang-format off
#include <jpeglib.h>
// clang-format on

#include "encoder/quantization_tables.h"
#include "support/test_files.h"

namespace encoder_tests {

namespace {

struct StrictErrors {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

[[noreturn]] void fatal(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<StrictErrors*>(cinfo->err)->jump, 1);
}

// Level -1 is a warning: the data was not what the standard says, whatever the decoder made of it.
void strictMessage(j_common_ptr cinfo, int level) {
  if (level >= 0) return;
  char text[JMSG_LENGTH_MAX];
  (*cinfo->err->format_message)(cinfo, text);
  ADD_FAILURE() << "libjpeg warning: " << text;
}

void readHeaderFacts(const jpeg_decompress_struct& cinfo, DecodedJpeg& out) {
  out.width = static_cast<int>(cinfo.image_width);
  out.height = static_cast<int>(cinfo.image_height);
  for (int i = 0; i < cinfo.num_components; ++i) {
    const jpeg_component_info& c = cinfo.comp_info[i];
    out.components.push_back({c.component_id, c.h_samp_factor, c.v_samp_factor, c.quant_tbl_no});
  }
  for (int t = 0; t < 4; ++t) {
    if (!cinfo.quant_tbl_ptrs[t]) continue;
    out.hasQuantTable[t] = true;
    for (int k = 0; k < 64; ++k) out.quantTables[t][k] = cinfo.quant_tbl_ptrs[t]->quantval[k];
  }
}

// Only plain data lives across setjmp here; the caller owns everything else.
bool decodeInto(jpeg_decompress_struct& cinfo, StrictErrors& errors, int scaleDenom, DecodedJpeg& out) {
  if (setjmp(errors.jump)) {
    char text[JMSG_LENGTH_MAX];
    (*cinfo.err->format_message)(reinterpret_cast<j_common_ptr>(&cinfo), text);
    out.error = text;
    return false;
  }
  jpeg_read_header(&cinfo, TRUE);
  readHeaderFacts(cinfo, out);
  cinfo.scale_num = 1;
  cinfo.scale_denom = static_cast<unsigned>(scaleDenom);
  jpeg_start_decompress(&cinfo);
  out.channels = cinfo.output_components;
  std::size_t rowBytes = std::size_t{cinfo.output_width} * cinfo.output_components;
  out.pixels.resize(rowBytes * cinfo.output_height);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = out.pixels.data() + rowBytes * cinfo.output_scanline;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  if (scaleDenom != 1)
    out.width = static_cast<int>(cinfo.output_width), out.height = static_cast<int>(cinfo.output_height);
  jpeg_finish_decompress(&cinfo);
  return true;
}

bool readCoefficientsInto(jpeg_decompress_struct& cinfo, StrictErrors& errors,
                          std::vector<std::vector<std::int16_t>>& out) {
  if (setjmp(errors.jump)) return false;
  jpeg_read_header(&cinfo, TRUE);
  jvirt_barray_ptr* arrays = jpeg_read_coefficients(&cinfo);
  for (int c = 0; c < cinfo.num_components; ++c) {
    const jpeg_component_info& info = cinfo.comp_info[c];
    std::vector<std::int16_t> blocks;
    for (JDIMENSION row = 0; row < info.height_in_blocks; ++row) {
      JBLOCKARRAY line =
          (*cinfo.mem->access_virt_barray)(reinterpret_cast<j_common_ptr>(&cinfo), arrays[c], row, 1, FALSE);
      for (JDIMENSION column = 0; column < info.width_in_blocks; ++column) {
        std::array<std::int16_t, 64> zigzag{};
        for (int n = 0; n < 64; ++n) zigzag[lumivex::kZigZag[n]] = line[0][column][n];
        blocks.insert(blocks.end(), zigzag.begin(), zigzag.end());
      }
    }
    out.push_back(std::move(blocks));
  }
  jpeg_finish_decompress(&cinfo);
  return true;
}

}  // namespace

std::vector<std::vector<std::int16_t>> readCoefficients(const std::vector<std::uint8_t>& bytes) {
  std::vector<std::vector<std::int16_t>> out;
  jpeg_decompress_struct cinfo{};
  StrictErrors errors{};
  cinfo.err = jpeg_std_error(&errors.manager);
  errors.manager.error_exit = fatal;
  errors.manager.emit_message = strictMessage;
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
  if (!readCoefficientsInto(cinfo, errors, out)) {
    ADD_FAILURE() << "libjpeg could not read the coefficients";
    out.clear();
  }
  jpeg_destroy_decompress(&cinfo);
  return out;
}

DecodedJpeg decodeJpeg(const std::vector<std::uint8_t>& bytes, int scaleDenom) {
  DecodedJpeg out;
  jpeg_decompress_struct cinfo{};
  StrictErrors errors{};
  cinfo.err = jpeg_std_error(&errors.manager);
  errors.manager.error_exit = fatal;
  errors.manager.emit_message = strictMessage;
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
  out.ok = decodeInto(cinfo, errors, scaleDenom, out);
  jpeg_destroy_decompress(&cinfo);
  return out;
}

DecodedJpeg decodeJpegFile(const std::string& path, int scaleDenom) {
  return decodeJpeg(testing_support::readBytes(path), scaleDenom);
}

std::vector<std::uint8_t> encodeWithLibjpeg(const RgbImage& image, int quality, const TablePair* tables) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr errors{};
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = static_cast<JDIMENSION>(image.width);
  cinfo.image_height = static_cast<JDIMENSION>(image.height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);  // YCbCr with 2x2 luminance sampling
  jpeg_set_quality(&cinfo, quality, TRUE);
  if (tables) {
    for (int t = 0; t < 2; ++t) {
      unsigned int natural[64];
      for (int n = 0; n < 64; ++n) natural[n] = static_cast<unsigned>((*tables)[t][n]);
      jpeg_add_quant_table(&cinfo, t, natural, 100, TRUE);  // scale 100: the entries as they are
    }
  }
  cinfo.dct_method = JDCT_FLOAT;
  cinfo.optimize_coding = TRUE;
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    auto* row = const_cast<JSAMPLE*>(image.at(0, static_cast<int>(cinfo.next_scanline)));
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  std::vector<std::uint8_t> bytes(buffer, buffer + size);
  jpeg_destroy_compress(&cinfo);
  std::free(buffer);
  return bytes;
}

RgbImage syntheticImage(int width, int height) {
  RgbImage image{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * 3)};
  const long cx = width / 3, cy = height / 2, radius = std::max(2, std::min(width, height) / 3);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      long dx = x - cx, dy = y - cy;
      long d2 = dx * dx + dy * dy;
      long r = 30 + x * 180L / std::max(1, width - 1) + y * 40L / std::max(1, height);
      long g = 230 - (x + y) * 200L / std::max(1, width + height);
      long b = d2 < radius * radius ? 210 - d2 * 60 / (radius * radius) : 50;
      long texture = (((x * 7 + y * 13) % 17) - 8) / 3;
      std::uint8_t* p = image.rgb.data() + (static_cast<std::size_t>(y) * width + x) * 3;
      p[0] = static_cast<std::uint8_t>(std::clamp(r, 0L, 255L));
      p[1] = static_cast<std::uint8_t>(std::clamp(g + texture, 0L, 255L));
      p[2] = static_cast<std::uint8_t>(std::clamp(b, 0L, 255L));
    }
  }
  return image;
}

DcPicture::DcPicture(const RgbImage& image) {
  dc_ = gdi::CreateCompatibleDC(nullptr);
  gdi::BITMAPINFO info{};
  info.bmiHeader.biWidth = image.width;
  info.bmiHeader.biHeight = -image.height;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  bitmap_ = gdi::CreateDIBSection(dc_, &info, gdi::DIB_RGB_COLORS, &bits);
  previous_ = gdi::SelectObject(dc_, bitmap_);
  auto* out = static_cast<std::uint8_t*>(bits);
  for (std::size_t i = 0; i < static_cast<std::size_t>(image.width) * image.height; ++i) {
    out[i * 4] = image.rgb[i * 3 + 2];
    out[i * 4 + 1] = image.rgb[i * 3 + 1];
    out[i * 4 + 2] = image.rgb[i * 3];
    out[i * 4 + 3] = 0;
  }
}

DcPicture::~DcPicture() {
  gdi::SelectObject(dc_, previous_);
  gdi::DeleteObject(bitmap_);
  gdi::DeleteDC(dc_);
}

double psnr(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
  if (a.size() != b.size() || a.empty()) return 0;
  double sum = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    double d = static_cast<double>(a[i]) - static_cast<double>(b[i]);
    sum += d * d;
  }
  if (sum == 0) return 99;
  return 10 * std::log10(255.0 * 255.0 * static_cast<double>(a.size()) / sum);
}

std::vector<std::uint8_t> encodeImage(lumivex::cJpeg& encoder, const RgbImage& image) {
  DcPicture picture(image);
  EXPECT_EQ(encoder.SampleHDC(picture.dc(), image.width, image.height, 0, 0), 0);
  testing_support::TempDir folder;
  std::string path = folder.file("out.jpg");
  EXPECT_EQ(encoder.SaveFile(path), 0);
  return testing_support::readBytes(path);
}

RgbImage rgbOf(const DecodedJpeg& decoded) {
  RgbImage image{decoded.width, decoded.height, {}};
  if (decoded.channels == 3) {
    image.rgb = decoded.pixels;
  } else {
    for (std::uint8_t v : decoded.pixels) image.rgb.insert(image.rgb.end(), {v, v, v});
  }
  return image;
}

std::uint64_t fnv1a(const std::vector<std::uint8_t>& bytes) {
  std::uint64_t hash = 0xcbf29ce484222325ULL;
  for (std::uint8_t b : bytes) {
    hash ^= b;
    hash *= 0x100000001b3ULL;
  }
  return hash;
}

SegmentList listSegments(const std::vector<std::uint8_t>& bytes) {
  SegmentList list;
  std::size_t at = 0;
  while (at + 1 < bytes.size() && bytes[at] == 0xFF) {
    std::uint8_t marker = bytes[at + 1];
    list.markers.push_back(marker);
    list.offsets.push_back(at);
    if (marker == 0xD8) {
      at += 2;
      continue;
    }
    if (marker == 0xD9) break;
    if (at + 3 >= bytes.size()) break;
    std::size_t length = std::size_t{bytes[at + 2]} * 256 + bytes[at + 3];
    at += 2 + length;
    if (marker != 0xDA) continue;
    // Entropy-coded data runs to the next 0xFF that is not followed by a stuffed 0x00.
    while (at + 1 < bytes.size() && !(bytes[at] == 0xFF && bytes[at + 1] != 0x00))
      at += bytes[at] == 0xFF ? 2 : 1;
  }
  return list;
}

}  // namespace encoder_tests
