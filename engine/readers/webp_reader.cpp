// WebP files through libwebp: lossy, lossless, with or without alpha, decoded straight into the
// picture and composited over white. An animation gives its first frame, as the canvas looks once
// that frame is drawn (found by libwebpdemux).
#include <webp/decode.h>
#include <webp/demux.h>

#include <cstring>
#include <memory>

#include "readers/file_bytes.h"
#include "readers/readers.h"
#include "readers/rgba_rows.h"

namespace corvale {

namespace {

LoadOutcome statusFailure(VP8StatusCode status) {
  switch (status) {
    case VP8_STATUS_NOT_ENOUGH_DATA:
      return {LoadCause::kTruncated, "is cut short"};
    case VP8_STATUS_UNSUPPORTED_FEATURE:
      return {LoadCause::kUnsupported, "uses a WebP feature this system's libwebp does not support"};
    case VP8_STATUS_OUT_OF_MEMORY:
      return {LoadCause::kTooLargeForMemory, "is too large for the WebP decoder's memory"};
    default:
      return {LoadCause::kDamaged, "has damaged WebP data"};
  }
}

LoadOutcome featuresFailure(VP8StatusCode status) {
  if (status == VP8_STATUS_BITSTREAM_ERROR) return {LoadCause::kNotAnImage, "is not a WebP file"};
  if (status == VP8_STATUS_NOT_ENOUGH_DATA) return {LoadCause::kTruncated, "is cut short in its header"};
  return statusFailure(status);
}

LoadOutcome readStill(Bytes bytes, Picture& picture) {
  WebPDecoderConfig config;
  if (!WebPInitDecoderConfig(&config))
    return {LoadCause::kDecoderFailure, "cannot be decoded: the WebP decoder could not start"};
  config.output.colorspace = MODE_BGRA;
  config.output.is_external_memory = 1;
  config.output.u.RGBA.rgba = picture.pixels;
  config.output.u.RGBA.stride = 4 * picture.width;
  config.output.u.RGBA.size = std::size_t{4} * picture.width * static_cast<std::size_t>(picture.height);
  VP8StatusCode status = WebPDecode(bytes.data(), bytes.size(), &config);
  WebPFreeDecBuffer(&config.output);
  if (status != VP8_STATUS_OK) return statusFailure(status);
  settleBgraAlpha(picture);
  return {};
}

struct DemuxDelete {
  void operator()(WebPDemuxer* demux) const { WebPDemuxDelete(demux); }
};

struct FrameIterator {
  WebPIterator frame{};
  ~FrameIterator() { WebPDemuxReleaseIterator(&frame); }
};

struct WebpFree {
  void operator()(std::uint8_t* pixels) const { WebPFree(pixels); }
};

// The canvas once the first frame is drawn on it: the frame at its offset, the rest of the
// canvas transparent (the animation's background colour is a hint players ignore), so white.
// Only the frame is decoded, not a canvas: a forged canvas costs the picture and nothing more.
LoadOutcome readFirstFrame(Bytes bytes, std::uint64_t canvasWidth, std::uint64_t canvasHeight,
                           gdi::HDC referenceDc, Picture& picture) {
  WebPData data{bytes.data(), bytes.size()};
  std::unique_ptr<WebPDemuxer, DemuxDelete> demux(WebPDemux(&data));
  FrameIterator first;
  if (!demux || !WebPDemuxGetFrame(demux.get(), 1, &first.frame))
    return {LoadCause::kDamaged, "has a damaged WebP animation"};
  const WebPIterator& f = first.frame;
  if (f.x_offset < 0 || f.y_offset < 0 || f.width <= 0 || f.height <= 0 ||
      std::uint64_t(f.x_offset) + std::uint64_t(f.width) > canvasWidth ||
      std::uint64_t(f.y_offset) + std::uint64_t(f.height) > canvasHeight)
    return {LoadCause::kDamaged, "has a first frame outside its WebP canvas"};
  int width = 0, height = 0;
  std::unique_ptr<std::uint8_t, WebpFree> pixels(
      WebPDecodeRGBA(f.fragment.bytes, f.fragment.size, &width, &height));
  if (!pixels || width != f.width || height != f.height)
    return {LoadCause::kDamaged, "has a damaged first frame in its WebP animation"};
  // The canvas is allocated once its first frame has decoded, so a forged canvas size costs
  // nothing unless the frame is real.
  if (LoadOutcome failure = allocateDecodedPicture(picture, canvasWidth, canvasHeight, referenceDc);
      !failure.clean())
    return failure;
  bool coversCanvas = width == picture.width && height == picture.height;
  if (!coversCanvas)
    std::memset(picture.pixels, picture.alphaWanted ? 0 : 0xFF,
                std::size_t{4} * picture.width * static_cast<std::size_t>(picture.height));
  for (int y = 0; y < height; ++y)
    putRgbaPixels(pixels.get() + std::size_t{4} * width * static_cast<std::size_t>(y), width, picture,
                  pixelAt(picture, f.x_offset, f.y_offset + y));
  return {};
}

}  // namespace

LoadOutcome readWebpBytes(Bytes bytes, gdi::HDC referenceDc, Picture& picture) {
  releasePicture(picture);
  if (bytes.empty()) return {LoadCause::kTruncated, "is empty"};
  WebPBitstreamFeatures features;
  if (VP8StatusCode status = WebPGetFeatures(bytes.data(), bytes.size(), &features); status != VP8_STATUS_OK)
    return featuresFailure(status);
  if (features.width <= 0 || features.height <= 0)
    return {LoadCause::kDamaged, "has an invalid size (" + std::to_string(features.width) + " x " +
                                     std::to_string(features.height) + ")"};
  auto width = static_cast<std::uint64_t>(features.width),
       height = static_cast<std::uint64_t>(features.height);
  if (width * height > kMaxPicturePixels) return tooLargeForMemory(width, height);
  LoadOutcome failure;
  if (features.has_animation) {
    failure = readFirstFrame(bytes, width, height, referenceDc, picture);
  } else {
    failure = allocateDecodedPicture(picture, width, height, referenceDc);
    if (failure.clean()) failure = readStill(bytes, picture);
  }
  if (!failure.clean()) releasePicture(picture);
  return failure;
}

}  // namespace corvale
