// AVIF through libavif and the AV1 encoder it finds first (libaom on Debian 12). Quality 0..100
// maps to AV1's quantizer 63..0 as libavif's own quality setting does in later versions; lossless
// is quantizer 0 on 4:4:4 samples with the identity matrix, so the RGB values come back exactly.
// Speed 8 of libavif's 0 (slowest) to 10: a batch of phone photos, one thread per photo.

#include <memory>
#include <stdexcept>

#include "encoder/writers/writer_registry.h"
#include "libraries/lazy_avif.h"

namespace lumivex {

namespace {

constexpr int kAvifSpeed = 8;

struct ImageDestroy {
  void operator()(avifImage* image) const { avifImageDestroy(image); }
};
struct EncoderDestroy {
  void operator()(avifEncoder* encoder) const { avifEncoderDestroy(encoder); }
};

void check(avifResult result) {
  if (result != AVIF_RESULT_OK) throw std::runtime_error(EncoderFailure("AVIF", avifResultToString(result)));
}

int quantizerOf(int quality) { return ((100 - quality) * 63 + 50) / 100; }

// Without a profile the pixels are sRGB, which the file says in its colour box.
void describeColour(avifImage* image, const OutputMetadata& metadata, bool lossless) {
  if (!metadata.icc.empty())
    avifImageSetProfileICC(image, metadata.icc.data(), metadata.icc.size());
  else {
    image->colorPrimaries = AVIF_COLOR_PRIMARIES_BT709;
    image->transferCharacteristics = AVIF_TRANSFER_CHARACTERISTICS_SRGB;
  }
  image->matrixCoefficients = lossless ? AVIF_MATRIX_COEFFICIENTS_IDENTITY : AVIF_MATRIX_COEFFICIENTS_BT601;
  image->yuvRange = AVIF_RANGE_FULL;
}

}  // namespace

std::vector<std::uint8_t> WriteAvif(const OutputPicture& picture, const OutputMetadata& metadata,
                                    const WriterSettings& settings) {
  std::unique_ptr<avifImage, ImageDestroy> image(
      avifImageCreate(static_cast<std::uint32_t>(picture.width), static_cast<std::uint32_t>(picture.height),
                      8, settings.lossless ? AVIF_PIXEL_FORMAT_YUV444 : AVIF_PIXEL_FORMAT_YUV420));
  if (!image) throw std::bad_alloc();
  describeColour(image.get(), metadata, settings.lossless);
  if (!metadata.exif.empty())
    avifImageSetMetadataExif(image.get(), metadata.exif.data(), metadata.exif.size());
  if (!metadata.xmp.empty()) avifImageSetMetadataXMP(image.get(), metadata.xmp.data(), metadata.xmp.size());
  avifRGBImage rgb;
  avifRGBImageSetDefaults(&rgb, image.get());
  // With alpha the library adds the image's alpha plane (straight, full range) itself.
  rgb.format = picture.alpha ? AVIF_RGB_FORMAT_RGBA : AVIF_RGB_FORMAT_RGB;
  rgb.pixels = const_cast<std::uint8_t*>(picture.rgb.data());
  rgb.rowBytes = static_cast<std::uint32_t>(picture.channels() * picture.width);
  check(avifImageRGBToYUV(image.get(), &rgb));
  std::unique_ptr<avifEncoder, EncoderDestroy> encoder(avifEncoderCreate());
  if (!encoder) throw std::bad_alloc();
  encoder->speed = kAvifSpeed;
  encoder->maxThreads = 1;
  int quantizer = settings.lossless ? 0 : quantizerOf(settings.quality);
  encoder->minQuantizer = encoder->maxQuantizer = quantizer;
  avifRWData output = AVIF_DATA_EMPTY;
  avifResult result = avifEncoderWrite(encoder.get(), image.get(), &output);
  std::vector<std::uint8_t> file(output.data, output.data + output.size);
  avifRWDataFree(&output);
  check(result);
  return file;
}

}  // namespace lumivex
