// JPEG files through libjpeg-turbo's IJG interface, with the library's default decompression
// parameters: YCbCr comes out as RGB and one-component files as grey. Two departures keep a bad
// file from hurting the batch: a fatal library error abandons the load (the picture stays empty)
// instead of ending the process, and CMYK/YCCK files are converted to RGB instead of read as grey.
#include <csetjmp>
#include <cstdio>
#include <memory>
#include <vector>

// clang-format off
#include <jpeglib.h>
// clang-format on

#include "readers/readers.h"

namespace corvale {

namespace {

// Larger images would not fit a picture anyway; refusing them before decoding also keeps a
// progressive file from allocating its whole coefficient buffer.
constexpr std::uint64_t kMaxJpegPixels = std::uint64_t{1} << 29;
// A progressive file can hold a huge number of tiny scans, each of which costs a full pass.
constexpr int kMaxScans = 1000;

struct ErrorTrap {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

[[noreturn]] void abandonLoad(j_common_ptr cinfo) {
  auto* trap = reinterpret_cast<ErrorTrap*>(cinfo->err);
  std::longjmp(trap->jump, 1);
}

void limitScans(j_common_ptr cinfo) {
  auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (d->is_decompressor && d->input_scan_number > kMaxScans) abandonLoad(cinfo);
}

void storeRgbRow(const JSAMPLE* in, std::uint8_t* out, JDIMENSION width) {
  for (JDIMENSION x = 0; x < width; ++x, in += 3, out += 4) out[0] = in[2], out[1] = in[1], out[2] = in[0];
}

void storeGreyRow(const JSAMPLE* in, std::uint8_t* out, JDIMENSION width) {
  for (JDIMENSION x = 0; x < width; ++x, out += 4) out[0] = out[1] = out[2] = in[x];
}

// Adobe writes CMYK inverted (0 is full ink), so the stored values already are "amount of
// white": red = C * K / 255 and so on. libjpeg turns YCCK into this CMYK form itself.
void storeInvertedCmykRow(const JSAMPLE* in, std::uint8_t* out, JDIMENSION width) {
  for (JDIMENSION x = 0; x < width; ++x, in += 4, out += 4) {
    unsigned k = in[3];
    out[0] = static_cast<std::uint8_t>(in[2] * k / 255);
    out[1] = static_cast<std::uint8_t>(in[1] * k / 255);
    out[2] = static_cast<std::uint8_t>(in[0] * k / 255);
  }
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

// Everything that may be skipped by a longjmp is plain data owned outside this function, so
// abandoning the decode leaks nothing.
void decode(jpeg_decompress_struct& cinfo, ErrorTrap& trap, std::vector<JSAMPLE>& line,
            gdi::HDC referenceDc, Picture& picture) {
  if (setjmp(trap.jump)) {
    releasePicture(picture);
    return;
  }
  jpeg_read_header(&cinfo, TRUE);
  if (std::uint64_t{cinfo.image_width} * cinfo.image_height > kMaxJpegPixels) return;
  bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  if (cmyk) cinfo.out_color_space = JCS_CMYK;
  jpeg_start_decompress(&cinfo);
  allocatePicture(picture, static_cast<std::int32_t>(cinfo.output_width),
                  static_cast<std::int32_t>(cinfo.output_height), referenceDc);
  if (picture.empty()) return;
  line.resize(std::size_t{cinfo.output_width} * cinfo.output_components);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = line.data();
    JDIMENSION y = cinfo.output_scanline;
    if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) break;
    std::uint8_t* out = pixelAt(picture, 0, static_cast<std::int32_t>(y));
    if (cinfo.output_components == 3)
      storeRgbRow(line.data(), out, cinfo.output_width);
    else if (cmyk && cinfo.output_components == 4)
      storeInvertedCmykRow(line.data(), out, cinfo.output_width);
    else
      storeGreyRow(line.data(), out, cinfo.output_width);
  }
  jpeg_finish_decompress(&cinfo);
}

}  // namespace

void readJpegFile(const char* path, gdi::HDC referenceDc, Picture& picture) {
  releasePicture(picture);
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path, "rb"));
  if (!file) return;
  jpeg_decompress_struct cinfo{};
  ErrorTrap trap{};
  cinfo.err = jpeg_std_error(&trap.manager);
  trap.manager.error_exit = abandonLoad;
  jpeg_progress_mgr progress{};
  progress.progress_monitor = limitScans;
  jpeg_create_decompress(&cinfo);
  cinfo.progress = &progress;
  jpeg_stdio_src(&cinfo, file.get());
  std::vector<JSAMPLE> line;
  decode(cinfo, trap, line, referenceDc, picture);
  jpeg_destroy_decompress(&cinfo);
}

}  // namespace corvale
