// JPEG XL files through libjxl's decoder: the first frame (the whole picture of a still image),
// turned upright as the file's own orientation says, transparency composited over white, a
// lossy file's colours asked for as readers/jxl_colour.h says. The
// pixels come row by row from the decoder straight into the picture, so no second copy is held.
#include <string>

#include "libraries/lazy_jxl.h"
#include "readers/file_bytes.h"
#include "readers/jxl_colour.h"
#include "readers/readers.h"
#include "readers/rgba_rows.h"

namespace corvale {

namespace {

// Rows (or parts of rows) of red, green, blue and straight alpha, put where they belong.
void putDecodedPixels(void* opaque, std::size_t x, std::size_t y, std::size_t count, const void* pixels) {
  auto& picture = *static_cast<Picture*>(opaque);
  putRgbaPixels(static_cast<const std::uint8_t*>(pixels), static_cast<std::int32_t>(count), picture,
                pixelAt(picture, static_cast<std::int32_t>(x), static_cast<std::int32_t>(y)));
}

LoadOutcome sizeFailure(const JxlBasicInfo& info, gdi::HDC referenceDc, Picture& picture) {
  if (std::uint64_t{info.xsize} * info.ysize > kMaxPicturePixels)
    return tooLargeForMemory(info.xsize, info.ysize);
  return allocateDecodedPicture(picture, info.xsize, info.ysize, referenceDc);
}

LoadOutcome decode(JxlDecoder* decoder, gdi::HDC referenceDc, Picture& picture) {
  constexpr JxlPixelFormat kRgba{4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
  bool sized = false;
  for (;;) {
    switch (JxlDecoderProcessInput(decoder)) {
      case JXL_DEC_BASIC_INFO: {
        JxlBasicInfo info;
        if (JxlDecoderGetBasicInfo(decoder, &info) != JXL_DEC_SUCCESS)
          return {LoadCause::kDamaged, "has a damaged JPEG XL header"};
        if (LoadOutcome failure = sizeFailure(info, referenceDc, picture); !failure.clean()) return failure;
        sized = true;
        break;
      }
      case JXL_DEC_COLOR_ENCODING:
        askDisplayableColours(decoder);
        break;
      case JXL_DEC_NEED_IMAGE_OUT_BUFFER:
        if (!sized ||
            JxlDecoderSetImageOutCallback(decoder, &kRgba, &putDecodedPixels, &picture) != JXL_DEC_SUCCESS)
          return {LoadCause::kUnsupported,
                  "has a JPEG XL image this system's libjxl cannot give as colour pixels"};
        break;
      case JXL_DEC_FULL_IMAGE:
        return sized ? LoadOutcome() : LoadOutcome{LoadCause::kDamaged, "has damaged JPEG XL data"};
      case JXL_DEC_NEED_MORE_INPUT:
      case JXL_DEC_SUCCESS:
        return {LoadCause::kTruncated, sized ? "is cut short" : "is cut short in its header"};
      case JXL_DEC_ERROR:
        return sized ? LoadOutcome{LoadCause::kDamaged, "has damaged JPEG XL data"}
                     : LoadOutcome{LoadCause::kNotAnImage, "is not a JPEG XL file, or its header is damaged"};
      default:
        break;
    }
  }
}

}  // namespace

LoadOutcome readJxlBytes(Bytes bytes, gdi::HDC referenceDc, Picture& picture) {
  releasePicture(picture);
  if (bytes.empty()) return {LoadCause::kTruncated, "is empty"};
  if (std::string missing = lazy::jxl().openFailure(); !missing.empty())
    return {LoadCause::kDecoderFailure, "cannot be decoded: " + missing};
  JxlDecoderPtr decoder = JxlDecoderMake(nullptr);
  if (!decoder ||
      JxlDecoderSubscribeEvents(decoder.get(), JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING |
                                                   JXL_DEC_FULL_IMAGE) != JXL_DEC_SUCCESS ||
      JxlDecoderSetInput(decoder.get(), bytes.data(), bytes.size()) != JXL_DEC_SUCCESS)
    return {LoadCause::kDecoderFailure, "cannot be decoded: the JPEG XL decoder could not start"};
  JxlDecoderCloseInput(decoder.get());
  LoadOutcome failure = decode(decoder.get(), referenceDc, picture);
  // A picture that was sized but not finished is released: a half-decoded JPEG XL frame has
  // undefined rows rather than a visible cut.
  if (!failure.clean()) releasePicture(picture);
  return failure;
}

}  // namespace corvale
