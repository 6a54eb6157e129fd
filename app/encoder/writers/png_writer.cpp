// PNG through libspng: 8-bit RGB, always lossless. The Exif block goes in eXIf, the XMP packet in
// an uncompressed iTXt chunk under the keyword XMP readers look for, the profile in iCCP.
#include <spng.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <memory>
#include <stdexcept>

#include "encoder/writers/writer_registry.h"

namespace lumivex {

namespace {

struct ContextFree {
  void operator()(spng_ctx* context) const { spng_ctx_free(context); }
};

void check(int status) {
  if (status != 0) throw std::runtime_error(EncoderFailure("PNG", spng_strerror(status)));
}

// libspng reads the text as a C string, so the packet is handed over as a zero-terminated copy
// (`xmpText`), which must live until the image is encoded.
void setMetadata(spng_ctx* context, const OutputMetadata& metadata, std::string& xmpText) {
  if (!metadata.icc.empty()) {
    spng_iccp iccp{};
    std::strcpy(iccp.profile_name, "ICC profile");
    iccp.profile_len = metadata.icc.size();
    iccp.profile = reinterpret_cast<char*>(const_cast<std::uint8_t*>(metadata.icc.data()));
    check(spng_set_iccp(context, &iccp));
  }
  if (!metadata.exif.empty()) {
    spng_exif exif{metadata.exif.size(),
                   reinterpret_cast<char*>(const_cast<std::uint8_t*>(metadata.exif.data()))};
    check(spng_set_exif(context, &exif));
  }
  if (!metadata.xmp.empty()) {
    static char kEmpty[] = "";
    spng_text text{};
    std::strcpy(text.keyword, "XML:com.adobe.xmp");
    text.type = SPNG_ITXT;
    xmpText.assign(metadata.xmp.begin(), metadata.xmp.end());
    text.length = xmpText.size();
    text.text = xmpText.data();
    text.language_tag = kEmpty;
    text.translated_keyword = kEmpty;
    check(spng_set_text(context, &text, 1));
  }
}

}  // namespace

std::vector<std::uint8_t> WritePng(const OutputPicture& picture, const OutputMetadata& metadata,
                                   const WriterSettings&) {
  std::unique_ptr<spng_ctx, ContextFree> context(spng_ctx_new(SPNG_CTX_ENCODER));
  if (!context) throw std::bad_alloc();
  check(spng_set_option(context.get(), SPNG_ENCODE_TO_BUFFER, 1));
  spng_ihdr header{static_cast<std::uint32_t>(picture.width),
                   static_cast<std::uint32_t>(picture.height),
                   8,
                   SPNG_COLOR_TYPE_TRUECOLOR,
                   0,
                   0,
                   0};
  check(spng_set_ihdr(context.get(), &header));
  std::string xmpText;
  setMetadata(context.get(), metadata, xmpText);
  check(spng_encode_image(context.get(), picture.rgb.data(), picture.rgb.size(), SPNG_FMT_PNG,
                          SPNG_ENCODE_FINALIZE));
  std::size_t length = 0;
  int status = 0;
  std::unique_ptr<std::uint8_t, decltype(&std::free)> buffer(
      static_cast<std::uint8_t*>(spng_get_png_buffer(context.get(), &length, &status)), &std::free);
  check(status);
  if (!buffer) throw std::runtime_error(EncoderFailure("PNG", "no file was made"));
  return {buffer.get(), buffer.get() + length};
}

}  // namespace lumivex
