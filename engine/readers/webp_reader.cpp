// WebP files through libwebp: lossy, lossless, with or without alpha, decoded straight into the
// picture and composited over white. An animation gives its first frame, as the canvas looks once
// that frame is drawn (libwebpdemux's animation decoder).
#include <webp/decode.h>
#include <webp/demux.h>

#include <memory>

#include "readers/file_bytes.h"
#include "readers/readers.h"
#include "readers/rgba_rows.h"

namespace corvale {

namespace {

constexpr std::uint64_t kMaxWebpFileBytes = std::uint64_t{1} << 31;

std::string statusFailure(VP8StatusCode status) {
  switch (status) {
    case VP8_STATUS_NOT_ENOUGH_DATA:
      return "is cut short";
    case VP8_STATUS_UNSUPPORTED_FEATURE:
      return "uses a WebP feature this system's libwebp does not support";
    case VP8_STATUS_OUT_OF_MEMORY:
      return "is too large for the WebP decoder's memory";
    default:
      return "has damaged WebP data";
  }
}

std::string featuresFailure(VP8StatusCode status) {
  if (status == VP8_STATUS_BITSTREAM_ERROR) return "is not a WebP file";
  if (status == VP8_STATUS_NOT_ENOUGH_DATA) return "is cut short in its header";
  return statusFailure(status);
}

std::string readStill(Bytes bytes, Picture& picture) {
  WebPDecoderConfig config;
  if (!WebPInitDecoderConfig(&config)) return "cannot be decoded: the WebP decoder could not start";
  config.output.colorspace = MODE_BGRA;
  config.output.is_external_memory = 1;
  config.output.u.RGBA.rgba = picture.pixels;
  config.output.u.RGBA.stride = 4 * picture.width;
  config.output.u.RGBA.size = std::size_t{4} * picture.width * static_cast<std::size_t>(picture.height);
  VP8StatusCode status = WebPDecode(bytes.data(), bytes.size(), &config);
  WebPFreeDecBuffer(&config.output);
  if (status != VP8_STATUS_OK) return statusFailure(status);
  flattenBgraOverWhite(picture);
  return {};
}

struct AnimDecoderDelete {
  void operator()(WebPAnimDecoder* decoder) const { WebPAnimDecoderDelete(decoder); }
};

std::string readFirstFrame(Bytes bytes, Picture& picture) {
  WebPAnimDecoderOptions options;
  if (!WebPAnimDecoderOptionsInit(&options)) return "cannot be decoded: the WebP decoder could not start";
  options.color_mode = MODE_RGBA;
  options.use_threads = 0;
  WebPData data{bytes.data(), bytes.size()};
  std::unique_ptr<WebPAnimDecoder, AnimDecoderDelete> decoder(WebPAnimDecoderNew(&data, &options));
  if (!decoder) return "has a damaged WebP animation";
  WebPAnimInfo info{};
  std::uint8_t* canvas = nullptr;
  int timestamp = 0;
  if (!WebPAnimDecoderGetInfo(decoder.get(), &info) ||
      info.canvas_width != static_cast<std::uint32_t>(picture.width) ||
      info.canvas_height != static_cast<std::uint32_t>(picture.height) ||
      !WebPAnimDecoderGetNext(decoder.get(), &canvas, &timestamp))
    return "has a damaged first frame in its WebP animation";
  for (std::int32_t y = 0; y < picture.height; ++y)
    putRgbaRow(canvas + std::size_t{4} * picture.width * static_cast<std::size_t>(y), picture, y);
  return {};
}

}  // namespace

std::string readWebpBytes(Bytes bytes, gdi::HDC referenceDc, Picture& picture) {
  releasePicture(picture);
  if (bytes.empty()) return "is empty";
  WebPBitstreamFeatures features;
  if (VP8StatusCode status = WebPGetFeatures(bytes.data(), bytes.size(), &features); status != VP8_STATUS_OK)
    return featuresFailure(status);
  if (features.width <= 0 || features.height <= 0)
    return "has an invalid size (" + std::to_string(features.width) + " x " +
           std::to_string(features.height) + ")";
  std::string failure = allocateDecodedPicture(picture, static_cast<std::uint64_t>(features.width),
                                               static_cast<std::uint64_t>(features.height), referenceDc);
  if (!failure.empty()) return failure;
  failure = features.has_animation ? readFirstFrame(bytes, picture) : readStill(bytes, picture);
  if (!failure.empty()) releasePicture(picture);
  return failure;
}

std::string readWebpFile(const char* path, gdi::HDC referenceDc, Picture& picture) {
  releasePicture(picture);
  FileBytes file = readFileBytes(path, kMaxWebpFileBytes);
  if (!file.failure.empty()) return file.failure;
  return readWebpBytes(file.bytes, referenceDc, picture);
}

}  // namespace corvale
