// HEIC through libheif and its HEVC encoder (x265, built into Debian 12's libheif). The Exif
// block and the XMP packet become metadata items of the image; the profile its colr "prof" box,
// and without one a colr "nclx" box says sRGB. x265's "fast" preset: a batch of phone photos is
// done quickly and the files stay close to those of its default.

#include <cstring>
#include <memory>
#include <stdexcept>

#include "encoder/writers/writer_registry.h"
#include "libraries/lazy_heif.h"

namespace lumivex {

namespace {

constexpr const char* kX265Preset = "fast";

struct ContextFree {
  void operator()(heif_context* context) const { heif_context_free(context); }
};
struct EncoderRelease {
  void operator()(heif_encoder* encoder) const { heif_encoder_release(encoder); }
};
struct ImageRelease {
  void operator()(heif_image* image) const { heif_image_release(image); }
};
struct HandleRelease {
  void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
};

void check(heif_error error) {
  if (error.code != heif_error_Ok) throw std::runtime_error(EncoderFailure("HEIC", error.message));
}

heif_error appendTo(heif_context*, const void* data, std::size_t size, void* file) {
  auto* bytes = static_cast<const std::uint8_t*>(data);
  static_cast<std::vector<std::uint8_t>*>(file)->insert(static_cast<std::vector<std::uint8_t>*>(file)->end(),
                                                        bytes, bytes + size);
  return heif_error{heif_error_Ok, heif_suberror_Unspecified, "Success"};
}

std::unique_ptr<heif_image, ImageRelease> imageOf(const OutputPicture& picture,
                                                  const OutputMetadata& metadata) {
  heif_image* made = nullptr;
  check(heif_image_create(picture.width, picture.height, heif_colorspace_RGB,
                          picture.alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, &made));
  std::unique_ptr<heif_image, ImageRelease> image(made);
  check(heif_image_add_plane(made, heif_channel_interleaved, picture.width, picture.height, 8));
  int stride = 0;
  std::uint8_t* plane = heif_image_get_plane(made, heif_channel_interleaved, &stride);
  const auto rowBytes =
      static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.channels());
  for (std::int32_t y = 0; y < picture.height; ++y)
    std::memcpy(plane + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride),
                picture.rgb.data() + rowBytes * static_cast<std::size_t>(y), rowBytes);
  if (!metadata.icc.empty()) {
    check(heif_image_set_raw_color_profile(made, "prof", metadata.icc.data(), metadata.icc.size()));
  } else {
    std::unique_ptr<heif_color_profile_nclx, void (*)(heif_color_profile_nclx*)> nclx(
        heif_nclx_color_profile_alloc(), heif_nclx_color_profile_free);
    nclx->color_primaries = heif_color_primaries_ITU_R_BT_709_5;
    nclx->transfer_characteristics = heif_transfer_characteristic_IEC_61966_2_1;
    nclx->matrix_coefficients = heif_matrix_coefficients_ITU_R_BT_601_6;
    nclx->full_range_flag = 1;
    check(heif_image_set_nclx_color_profile(made, nclx.get()));
  }
  return image;
}

}  // namespace

std::vector<std::uint8_t> WriteHeic(const OutputPicture& picture, const OutputMetadata& metadata,
                                    const WriterSettings& settings) {
  std::unique_ptr<heif_context, ContextFree> context(heif_context_alloc());
  heif_encoder* madeEncoder = nullptr;
  check(heif_context_get_encoder_for_format(context.get(), heif_compression_HEVC, &madeEncoder));
  std::unique_ptr<heif_encoder, EncoderRelease> encoder(madeEncoder);
  check(heif_encoder_set_lossy_quality(madeEncoder, settings.quality));
  heif_encoder_set_parameter_string(madeEncoder, "preset", kX265Preset);
  std::unique_ptr<heif_image, ImageRelease> image = imageOf(picture, metadata);
  heif_image_handle* madeHandle = nullptr;
  check(heif_context_encode_image(context.get(), image.get(), madeEncoder, nullptr, &madeHandle));
  std::unique_ptr<heif_image_handle, HandleRelease> handle(madeHandle);
  if (!metadata.exif.empty())
    check(heif_context_add_exif_metadata(context.get(), madeHandle, metadata.exif.data(),
                                         static_cast<int>(metadata.exif.size())));
  if (!metadata.xmp.empty())
    check(heif_context_add_XMP_metadata(context.get(), madeHandle, metadata.xmp.data(),
                                        static_cast<int>(metadata.xmp.size())));
  std::vector<std::uint8_t> file;
  heif_writer writer{1, &appendTo};
  check(heif_context_write(context.get(), &writer, &file));
  return file;
}

}  // namespace lumivex
