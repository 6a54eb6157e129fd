// PNG files through libspng: every colour type and bit depth, interlaced or not, with tRNS
// transparency, all decoded by the library to red, green, blue and alpha (16-bit samples are
// reduced to 8 bits with rounding) and composited over white. Rows are decoded one at a time straight
// into the picture; an interlaced file keeps one buffer of the whole image, as its passes revisit
// every row. A file the library cannot finish leaves the picture empty, with the reason.
// The planned load of a file in row order that is flattened on white takes its rows as they come
// (picture/planned_rows.h): a reduced PNG photo is never held at full size.
#include <spng.h>

#include <memory>
#include <vector>

#include "picture/planned_rows.h"
#include "readers/file_bytes.h"
#include "readers/planned_readers.h"
#include "readers/readers.h"
#include "readers/rgba_rows.h"

namespace corvale {

namespace {

// Ancillary chunks (text, ICC profiles) are not used; none may make the library hold more.
constexpr std::size_t kMaxChunkBytes = std::size_t{1} << 26;
// Deflate codes at most 1032 bytes in one (a run of 258 bytes in two bits a length and a
// distance code); a file whose image data cannot fit its size at that rate is a forged size.
constexpr std::uint64_t kMaxDeflateRatio = 1032;
constexpr std::uint64_t kBytesWithoutData = std::uint64_t{1} << 16;

struct SpngContext {
  void operator()(spng_ctx* ctx) const { spng_ctx_free(ctx); }
};
using SpngPointer = std::unique_ptr<spng_ctx, SpngContext>;

LoadOutcome headerFailure(int error) {
  if (error == SPNG_ESIGNATURE) return {LoadCause::kNotAnImage, "is not a PNG file"};
  if (error == SPNG_EOF || error == SPNG_IO_EOF) return {LoadCause::kTruncated, "is cut short in its header"};
  return {LoadCause::kDamaged, std::string("has a damaged PNG header (") + spng_strerror(error) + ")"};
}

std::uint64_t channelsOf(std::uint8_t colourType) {
  switch (colourType) {
    case SPNG_COLOR_TYPE_GRAYSCALE_ALPHA:
      return 2;
    case SPNG_COLOR_TYPE_TRUECOLOR:
      return 3;
    case SPNG_COLOR_TYPE_TRUECOLOR_ALPHA:
      return 4;
    default:
      return 1;
  }
}

// The filtered image data the header declares: a filter byte and the packed samples of each row.
bool fitsItsData(const spng_ihdr& h, std::size_t fileBytes) {
  std::uint64_t rowBytes = (std::uint64_t{h.width} * channelsOf(h.color_type) * h.bit_depth + 7) / 8 + 1;
  return rowBytes * h.height <= kMaxDeflateRatio * fileBytes + kBytesWithoutData;
}

LoadOutcome decodeFailure(int error) {
  if (error == SPNG_EOF || error == SPNG_IO_EOF) return {LoadCause::kTruncated, "is cut short in its pixels"};
  return {LoadCause::kDamaged, std::string("has damaged PNG image data (") + spng_strerror(error) + ")"};
}

// 16-bit samples to 8: the nearest of the 256 levels, v / 257 rounded.
void reduceTo8Bits(const std::uint8_t* rgba16, std::uint32_t width, std::uint8_t* rgba8) {
  const auto* in = reinterpret_cast<const std::uint16_t*>(rgba16);
  for (std::size_t i = 0; i < std::size_t{4} * width; ++i)
    rgba8[i] = static_cast<std::uint8_t>((std::uint32_t{in[i]} * 255 + 32895) >> 16);
}

// Decodes row after row, handing each to `put` as 8-bit red, green, blue and alpha with its row
// number. Returns clean when the image ended cleanly, else the reason it stopped.
template <typename PutRow>
LoadOutcome decodeRows(spng_ctx* ctx, const spng_ihdr& h, PutRow put) {
  // The library's own 16-to-8-bit step drops the low byte; 16-bit files are reduced here instead.
  bool sixteen = h.bit_depth == 16;
  std::size_t rowBytes = std::size_t{sixteen ? 8u : 4u} * h.width;
  std::vector<std::uint8_t> buffer(h.interlace_method ? rowBytes * h.height : rowBytes);
  std::vector<std::uint8_t> reduced(sixteen ? std::size_t{4} * h.width : 0);
  int error = spng_decode_image(ctx, nullptr, 0, sixteen ? SPNG_FMT_RGBA16 : SPNG_FMT_RGBA8,
                                SPNG_DECODE_TRNS | SPNG_DECODE_PROGRESSIVE);
  while (error == 0) {
    spng_row_info row{};
    if ((error = spng_get_row_info(ctx, &row)) != 0) break;
    std::uint8_t* target = h.interlace_method ? buffer.data() + rowBytes * row.row_num : buffer.data();
    error = spng_decode_row(ctx, target, rowBytes);
    if (error != 0 && error != SPNG_EOI) break;
    if (sixteen) reduceTo8Bits(target, h.width, reduced.data());
    put(sixteen ? reduced.data() : target, static_cast<std::int32_t>(row.row_num));
  }
  return error == SPNG_EOI ? LoadOutcome() : decodeFailure(error);
}

struct OpenedPng {
  SpngPointer ctx;
  spng_ihdr header{};
};

// The library started on the file and its header read and checked against the file's size.
LoadOutcome openPng(Bytes bytes, OpenedPng& png) {
  if (bytes.empty()) return {LoadCause::kTruncated, "is empty"};
  png.ctx.reset(spng_ctx_new(0));
  if (!png.ctx) return {LoadCause::kDecoderFailure, "cannot be decoded: the PNG decoder could not start"};
  spng_set_png_buffer(png.ctx.get(), bytes.data(), bytes.size());
  spng_set_chunk_limits(png.ctx.get(), kMaxChunkBytes, kMaxChunkBytes);
  const spng_ihdr& h = png.header;
  if (int error = spng_get_ihdr(png.ctx.get(), &png.header); error != 0) return headerFailure(error);
  if (std::uint64_t{h.width} * h.height > kMaxPicturePixels) return tooLargeForMemory(h.width, h.height);
  if (!fitsItsData(h, bytes.size())) return tooShortForItsSize(h.width, h.height);
  return {};
}

}  // namespace

LoadOutcome readPngBytes(Bytes bytes, gdi::HDC referenceDc, Picture& picture) {
  releasePicture(picture);
  OpenedPng png;
  if (LoadOutcome failure = openPng(bytes, png); !failure.clean()) return failure;
  const spng_ihdr& h = png.header;
  if (LoadOutcome failure = allocateDecodedPicture(picture, h.width, h.height, referenceDc); !failure.clean())
    return failure;
  LoadOutcome failure = decodeRows(
      png.ctx.get(), h, [&](const std::uint8_t* rgba, std::int32_t y) { putRgbaRow(rgba, picture, y); });
  if (!failure.clean()) releasePicture(picture);
  return failure;
}

// A picture that keeps its alpha, and an interlaced file (its passes revisit every row), are read
// whole first.
LoadOutcome readPngPlanned(Bytes bytes, const LoadPlanner& planner, Picture& result) {
  OpenedPng png;
  if (LoadOutcome failure = openPng(bytes, png); !failure.clean()) return failure;
  const spng_ihdr& h = png.header;
  if (result.alphaWanted || h.interlace_method)
    return loadWholeThenPlan(&readPngBytes, bytes, planner, result);
  const auto width = static_cast<std::int32_t>(h.width);
  return loadRowsPlanned(planner, result, width, static_cast<std::int32_t>(h.height), [&](PlannedRows& rows) {
    return decodeRows(png.ctx.get(), h, [&](const std::uint8_t* rgba, std::int32_t y) {
      putRgbaPixels(rgba, width, result, rows.rowFor(y));
      rows.rowsDone(y + 1);
    });
  });
}

}  // namespace corvale
