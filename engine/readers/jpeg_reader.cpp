// JPEG files through libjpeg-turbo's IJG interface, with the library's default decompression
// parameters: YCbCr comes out as RGB and one-component files as grey. Departures that keep a bad
// file from hurting the batch: a fatal library error abandons the load (the picture stays empty)
// instead of ending the process; CMYK/YCCK files are converted to RGB instead of read as grey; a
// picture whose file is far too short to code it is refused before anything is allocated; and the
// library never writes to stderr: its warnings (a file cut short, corrupt data) are kept and
// become the reader's message, its fatal error the reason for the empty picture.
#include <algorithm>
#include <array>
#include <cctype>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include "readers/file_bytes.h"
#include "readers/jpeg_rows.h"
#include "readers/readers.h"

namespace corvale {

namespace {

// Larger images would not fit a picture anyway; refusing them before decoding also keeps a
// progressive file from allocating its whole coefficient buffer.
constexpr std::uint64_t kMaxJpegPixels = std::uint64_t{1} << 29;
// A progressive file can hold a huge number of tiny scans, each of which costs a full pass.
constexpr int kMaxScans = 1000;
// The least entropy-coded data a file can spend on its 8 x 8 blocks. With Huffman coding every
// block a scan covers costs at least one bit (a DC difference code, or in a sequential scan a DC
// code and an end-of-block code, two bits); only the AC scans of a progressive file can run
// thousands of blocks into a few bits, and a real file codes the DC of every component. The bound
// allows eight blocks a bit over all components, far below what any real file needs, even one
// cut short after its first scan. The arithmetic coder can code a certain decision in about
// 1/45000 of a bit (at its smallest probability estimate its interval register shrinks by 1 in
// at least 0x8000 per decision and gives one bit each time it halves), and every block takes at
// least one decision, so arithmetic files are allowed 65536 blocks a bit.
constexpr std::uint64_t kHuffmanBlocksPerBit = 8;
constexpr std::uint64_t kArithmeticBlocksPerBit = 65536;
constexpr std::uint64_t kBlocksWithoutData = 1024;
// Warnings kept for the message, one of each kind: a damaged file can raise thousands of the same
// kind, and only the first of each is formatted.
constexpr int kMaxWarningsKept = 3;
// Colour rows asked of the library at once: enough for its largest row group (a 4:2:0 photo
// gives two rows per upsampling step; scaled IDCTs up to sixteen).
constexpr JDIMENSION kRowsPerRead = 16;

struct ErrorTrap {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
  LoadOutcome failure;   // the fatal error that abandoned the load
  std::string warnings;  // the library's complaints, "; " between them
  std::array<int, kMaxWarningsKept> keptCodes{};
  int warningsKept = 0;
};

ErrorTrap& trapOf(j_common_ptr cinfo) { return *reinterpret_cast<ErrorTrap*>(cinfo->err); }

// The library's text, its first word lower-cased unless it is an acronym ("JPEG datastream ...").
std::string libraryMessage(j_common_ptr cinfo) {
  char text[JMSG_LENGTH_MAX] = {};
  cinfo->err->format_message(cinfo, text);
  std::string message(text);
  if (message.size() > 1 && std::isupper(static_cast<unsigned char>(message[0])) &&
      std::islower(static_cast<unsigned char>(message[1])))
    message[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(message[0])));
  return message;
}

[[noreturn]] void abandonLoad(j_common_ptr cinfo, LoadOutcome reason) {
  trapOf(cinfo).failure = std::move(reason);
  std::longjmp(trapOf(cinfo).jump, 1);
}

// The library's fatal errors by what they say of the file; everything not named is invalid data.
LoadCause causeOfError(int code) {
  switch (code) {
    case JERR_NO_SOI:
      return LoadCause::kNotAnImage;
    case JERR_INPUT_EMPTY:
    case JERR_INPUT_EOF:
      return LoadCause::kTruncated;
    case JERR_OUT_OF_MEMORY:
    case JERR_IMAGE_TOO_BIG:
    case JERR_WIDTH_OVERFLOW:
      return LoadCause::kTooLargeForMemory;
    case JERR_ARITH_NOTIMPL:
    case JERR_NOT_COMPILED:
    case JERR_NOTIMPL:
    case JERR_CONVERSION_NOTIMPL:
    case JERR_BAD_PRECISION:
      return LoadCause::kUnsupported;
    default:
      return LoadCause::kDamaged;
  }
}

// The library's text names no subject ("bogus marker length"); the reason is said of the file,
// as every other reason is.
[[noreturn]] void exitOnError(j_common_ptr cinfo) {
  abandonLoad(cinfo,
              {causeOfError(cinfo->err->msg_code), "cannot be read as an image: " + libraryMessage(cinfo)});
}

// Level -1 is a warning; higher levels are trace messages, which are dropped.
void keepWarning(j_common_ptr cinfo, int level) {
  if (level >= 0) return;
  ErrorTrap& trap = trapOf(cinfo);
  ++cinfo->err->num_warnings;
  auto kept = trap.keptCodes.begin() + trap.warningsKept;
  if (kept == trap.keptCodes.end() || std::find(trap.keptCodes.begin(), kept, cinfo->err->msg_code) != kept)
    return;
  *kept = cinfo->err->msg_code;
  ++trap.warningsKept;
  trap.warnings += (trap.warnings.empty() ? "" : "; ") + libraryMessage(cinfo);
}

void writeNothing(j_common_ptr) {}

void limitScans(j_common_ptr cinfo) {
  auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (d->is_decompressor && d->input_scan_number > kMaxScans)
    abandonLoad(cinfo, {LoadCause::kDamaged, "has more than " + std::to_string(kMaxScans) + " scans"});
}

// After the header the source holds the entropy-coded data of every scan (and the markers
// between them); it must be able to code every block of every component.
bool scanDataCouldCode(const jpeg_decompress_struct& cinfo) {
  std::uint64_t blocks = 0;
  for (int c = 0; c < cinfo.num_components; ++c) {
    const jpeg_component_info& component = cinfo.comp_info[c];
    blocks += std::uint64_t{component.width_in_blocks} * component.height_in_blocks;
  }
  std::uint64_t bits = std::uint64_t{cinfo.src->bytes_in_buffer} * 8;
  std::uint64_t blocksPerBit = cinfo.arith_code ? kArithmeticBlocksPerBit : kHuffmanBlocksPerBit;
  return blocks <= kBlocksWithoutData + bits * blocksPerBit;
}

// Why the picture is refused before anything is decoded or allocated, or clean when it is not.
LoadOutcome refusalByHeader(const jpeg_decompress_struct& cinfo) {
  if (std::uint64_t{cinfo.image_width} * cinfo.image_height > kMaxJpegPixels)
    return tooLargeForMemory(cinfo.image_width, cinfo.image_height);
  if (!scanDataCouldCode(cinfo)) return tooShortForItsSize(cinfo.image_width, cinfo.image_height);
  return {};
}

void storeRgbRow(const JSAMPLE* in, std::uint8_t* out, JDIMENSION width) {
  for (JDIMENSION x = 0; x < width; ++x, in += 3, out += 4)
    out[0] = in[2], out[1] = in[1], out[2] = in[0], out[3] = 0;
}

void storeGreyRow(const JSAMPLE* in, std::uint8_t* out, JDIMENSION width) {
  for (JDIMENSION x = 0; x < width; ++x, out += 4) out[0] = out[1] = out[2] = in[x], out[3] = 0;
}

// Adobe writes CMYK inverted (0 is full ink), so the stored values already are "amount of
// white": red = C * K / 255 and so on. libjpeg turns YCCK into this CMYK form itself.
void storeInvertedCmykRow(const JSAMPLE* in, std::uint8_t* out, JDIMENSION width) {
  for (JDIMENSION x = 0; x < width; ++x, in += 4, out += 4) {
    unsigned k = in[3];
    out[0] = static_cast<std::uint8_t>(in[2] * k / 255);
    out[1] = static_cast<std::uint8_t>(in[1] * k / 255);
    out[2] = static_cast<std::uint8_t>(in[0] * k / 255);
    out[3] = 0;
  }
}

// A freshly allocated picture has a fourth byte of 0 in every pixel, the one the other readers
// leave; the library's BGRX output fills it with 0xFF, so it is cleared while the row is still in
// the cache, and every picture stays byte for byte what it was.
void clearFourthBytes(std::uint8_t* row, JDIMENSION width) {
  // Four pixels at a time in a 16-byte vector (the compiler does not vectorise the plain loop at
  // this optimisation level); little-endian, so the fourth byte is the high one of each pixel.
  using FourPixels = std::uint32_t __attribute__((vector_size(16)));
  constexpr FourPixels kColourBytes = {0x00FFFFFFu, 0x00FFFFFFu, 0x00FFFFFFu, 0x00FFFFFFu};
  JDIMENSION x = 0;
  for (; x + 4 <= width; x += 4, row += 16) {
    FourPixels pixels;
    std::memcpy(&pixels, row, 16);
    pixels &= kColourBytes;
    std::memcpy(row, &pixels, 16);
  }
  for (; x < width; ++x, row += 4) row[3] = 0;
}

// Colour photos are decoded straight into the sink's rows: the library converts to blue, green,
// red and a spare byte itself, with the same arithmetic as its RGB output, so no separate line is
// written and then read again.
void readColourRows(jpeg_decompress_struct& cinfo, RowSink& sink) {
  std::array<JSAMPROW, kRowsPerRead> rows{};
  while (cinfo.output_scanline < cinfo.output_height) {
    JDIMENSION first = cinfo.output_scanline;
    JDIMENSION wanted = std::min({kRowsPerRead, cinfo.output_height - first,
                                  static_cast<JDIMENSION>(sink.rowsAhead(static_cast<std::int32_t>(first)))});
    for (JDIMENSION i = 0; i < wanted; ++i) rows[i] = sink.rowFor(static_cast<std::int32_t>(first + i));
    JDIMENSION read = jpeg_read_scanlines(&cinfo, rows.data(), wanted);
    if (read == 0) break;
    sink.rowsDone(static_cast<std::int32_t>(first + read));
  }
}

// Grey, CMYK and unknown three-component rows come from the library one line at a time and are
// spread into the sink's rows.
void readConvertedRows(jpeg_decompress_struct& cinfo, bool cmyk, std::vector<JSAMPLE>& line, RowSink& sink) {
  line.resize(std::size_t{cinfo.output_width} * cinfo.output_components);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = line.data();
    JDIMENSION y = cinfo.output_scanline;
    if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) break;
    std::uint8_t* out = sink.rowFor(static_cast<std::int32_t>(y));
    if (cinfo.output_components == 3)
      storeRgbRow(line.data(), out, cinfo.output_width);
    else if (cmyk && cinfo.output_components == 4 && sink.takesInks())
      std::memcpy(out, line.data(), std::size_t{cinfo.output_width} * 4);
    else if (cmyk && cinfo.output_components == 4)
      storeInvertedCmykRow(line.data(), out, cinfo.output_width);
    else
      storeGreyRow(line.data(), out, cinfo.output_width);
    sink.rowsDone(static_cast<std::int32_t>(y + 1));
  }
}

// Rows the library did not give are black, as in a picture of the other readers.
void blackenMissingRows(const jpeg_decompress_struct& cinfo, RowSink& sink) {
  for (JDIMENSION y = cinfo.output_scanline; y < cinfo.output_height; ++y) {
    std::memset(sink.rowFor(static_cast<std::int32_t>(y)), 0, std::size_t{cinfo.output_width} * 4);
    sink.rowsDone(static_cast<std::int32_t>(y + 1));
  }
}

// The picture as a sink. Its rows are written whole (the library's spare byte cleared while the
// row is still in the cache, missing rows blackened), so it is not cleared first.
class PictureRows : public RowSink {
 public:
  PictureRows(Picture& picture, gdi::HDC referenceDc) : picture_(picture), referenceDc_(referenceDc) {}
  LoadOutcome begin(std::int32_t width, std::int32_t height) override {
    allocatePictureToFill(picture_, width, height, referenceDc_);
    return picture_.empty() ? tooLargeForMemory(width, height) : LoadOutcome();
  }
  std::uint8_t* rowFor(std::int32_t y) override { return pixelAt(picture_, 0, y); }
  std::int32_t rowsAhead(std::int32_t) override { return kRowsPerRead; }
  void rowsDone(std::int32_t end) override {
    for (; cleared_ < end && !inks_; ++cleared_)
      clearFourthBytes(rowFor(cleared_), static_cast<JDIMENSION>(picture_.width));
  }
  // A CMYK file's inks fill all four bytes, which are then kept as they are.
  bool takesInks() const override { return inks_; }
  void takeInks() { inks_ = true; }

 private:
  Picture& picture_;
  gdi::HDC referenceDc_;
  std::int32_t cleared_ = 0;
  bool inks_ = false;
};

// Everything that may be skipped by a longjmp is plain data owned outside this function, so
// abandoning the decode leaks nothing. A refusal is recorded in the trap like a library error.
void decode(jpeg_decompress_struct& cinfo, ErrorTrap& trap, std::vector<JSAMPLE>& line, RowSink& sink,
            bool& completed) {
  if (setjmp(trap.jump)) return;
  jpeg_read_header(&cinfo, TRUE);
  trap.failure = refusalByHeader(cinfo);
  if (!trap.failure.clean()) return;
  bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  if (cmyk) cinfo.out_color_space = JCS_CMYK;
  // Only what the library would give as RGB; files of unknown colour space keep the line path.
  bool colour = cinfo.out_color_space == JCS_RGB;
  if (colour) cinfo.out_color_space = JCS_EXT_BGRX;
  jpeg_start_decompress(&cinfo);
  trap.failure = sink.begin(static_cast<std::int32_t>(cinfo.output_width),
                            static_cast<std::int32_t>(cinfo.output_height));
  if (!trap.failure.clean()) return;
  if (colour)
    readColourRows(cinfo, sink);
  else
    readConvertedRows(cinfo, cmyk, line, sink);
  blackenMissingRows(cinfo, sink);
  jpeg_finish_decompress(&cinfo);
  completed = true;
}

}  // namespace

LoadOutcome readJpegRows(Bytes bytes, RowSink& sink, bool& completed) {
  completed = false;
  if (bytes.empty())
    return {LoadCause::kTruncated, "is empty"};  // the memory source refuses empty input with an error exit
  jpeg_decompress_struct cinfo{};
  ErrorTrap trap{};
  cinfo.err = jpeg_std_error(&trap.manager);
  trap.manager.error_exit = exitOnError;
  trap.manager.emit_message = keepWarning;
  trap.manager.output_message = writeNothing;
  jpeg_progress_mgr progress{};
  progress.progress_monitor = limitScans;
  jpeg_create_decompress(&cinfo);
  cinfo.progress = &progress;
  jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
  std::vector<JSAMPLE> line;
  try {
    decode(cinfo, trap, line, sink, completed);
  } catch (...) {  // a sink out of memory: the library's own memory goes too
    jpeg_destroy_decompress(&cinfo);
    throw;
  }
  jpeg_destroy_decompress(&cinfo);
  if (completed) return warningsOf(trap.warnings);
  // A failure the library did not name still leaves a reason.
  return trap.failure.clean() ? LoadOutcome{LoadCause::kDecoderFailure, "cannot be decoded"} : trap.failure;
}

LoadOutcome readJpegBytes(Bytes bytes, gdi::HDC referenceDc, Picture& picture) {
  releasePicture(picture);
  PictureRows rows(picture, referenceDc);
  bool completed = false;
  LoadOutcome outcome = readJpegRows(bytes, rows, completed);
  if (!completed) releasePicture(picture);
  return outcome;
}

LoadOutcome readJpegInks(Bytes bytes, Picture& picture) {
  releasePicture(picture);
  PictureRows rows(picture, nullptr);
  rows.takeInks();
  bool completed = false;
  LoadOutcome outcome = readJpegRows(bytes, rows, completed);
  if (!completed) releasePicture(picture);
  return outcome;
}

}  // namespace corvale
