// WebP through libwebp, the metadata added as chunks by libwebpmux (ICCP, EXIF, XMP in the
// extended format). Method 3 of libwebp's 0 (fastest) to 6 (smallest): a batch of phone photos
// outruns the library's default of 4 with files a few per cent larger.
#include <webp/encode.h>
#include <webp/mux.h>

#include <memory>
#include <stdexcept>

#include "encoder/writers/writer_registry.h"

namespace lumivex {

namespace {

constexpr int kWebpMethod = 3;
constexpr int kLosslessLevel = 3;

struct PictureFree {
  void operator()(WebPPicture* picture) const { WebPPictureFree(picture); }
};
struct MemoryFree {
  void operator()(WebPMemoryWriter* writer) const { WebPMemoryWriterClear(writer); }
};
struct MuxDelete {
  void operator()(WebPMux* mux) const { WebPMuxDelete(mux); }
};

[[noreturn]] void fail(const char* why) { throw std::runtime_error(EncoderFailure("WebP", why)); }

std::vector<std::uint8_t> encoded(const OutputPicture& picture, const WriterSettings& settings) {
  WebPConfig config;
  if (!WebPConfigInit(&config)) fail("the encoder could not start");
  config.quality = static_cast<float>(settings.quality);
  config.method = kWebpMethod;
  if (settings.lossless && !WebPConfigLosslessPreset(&config, kLosslessLevel)) fail("no lossless mode");
  WebPPicture image;
  if (!WebPPictureInit(&image)) fail("the encoder could not start");
  std::unique_ptr<WebPPicture, PictureFree> owned(&image);
  image.width = picture.width;
  image.height = picture.height;
  image.use_argb = settings.lossless;
  if (!WebPPictureImportRGB(&image, picture.rgb.data(), 3 * picture.width)) fail("not enough memory");
  WebPMemoryWriter writer;
  WebPMemoryWriterInit(&writer);
  std::unique_ptr<WebPMemoryWriter, MemoryFree> ownedWriter(&writer);
  image.writer = WebPMemoryWrite;
  image.custom_ptr = &writer;
  if (!WebPEncode(&config, &image))
    fail("the picture is larger than WebP allows (16383 pixels a side) or memory ran out");
  return {writer.mem, writer.mem + writer.size};
}

void setChunk(WebPMux* mux, const char* fourcc, const std::vector<std::uint8_t>& bytes) {
  if (bytes.empty()) return;
  WebPData data{bytes.data(), bytes.size()};
  if (WebPMuxSetChunk(mux, fourcc, &data, 1) != WEBP_MUX_OK) fail("its metadata could not be added");
}

}  // namespace

std::vector<std::uint8_t> WriteWebp(const OutputPicture& picture, const OutputMetadata& metadata,
                                    const WriterSettings& settings) {
  std::vector<std::uint8_t> file = encoded(picture, settings);
  if (metadata.exif.empty() && metadata.xmp.empty() && metadata.icc.empty()) return file;
  WebPData plain{file.data(), file.size()};
  std::unique_ptr<WebPMux, MuxDelete> mux(WebPMuxCreate(&plain, 1));
  if (!mux) fail("its metadata could not be added");
  setChunk(mux.get(), "ICCP", metadata.icc);
  setChunk(mux.get(), "EXIF", metadata.exif);
  setChunk(mux.get(), "XMP ", metadata.xmp);
  WebPData assembled{};
  if (WebPMuxAssemble(mux.get(), &assembled) != WEBP_MUX_OK) fail("its metadata could not be added");
  std::vector<std::uint8_t> withMetadata(assembled.bytes, assembled.bytes + assembled.size);
  WebPDataClear(&assembled);
  return withMetadata;
}

}  // namespace lumivex
