// JPEG XL through libjxl's encoder. A quality becomes the Butteraugli distance libjxl's own tool
// derives from it; lossless is the modular mode on the original colours. The Exif block and the
// XMP packet travel as "Exif" and "xml " boxes; a profile becomes the file's colour encoding, and
// without one the file says sRGB. Effort 3 of 1 (fastest) to 9: a batch of phone photos is done
// quickly and the files stay close to those of the default effort.

#include <cmath>
#include <stdexcept>

#include "encoder/writers/writer_registry.h"
#include "libraries/lazy_jxl.h"

namespace lumivex {

namespace {

constexpr int kJxlEffort = 3;

[[noreturn]] void fail(const char* why) { throw std::runtime_error(EncoderFailure("JPEG XL", why)); }

void check(JxlEncoderStatus status, const char* why) {
  if (status != JXL_ENC_SUCCESS) fail(why);
}

float distanceOf(int quality) {
  if (quality >= 30) return 0.1f + static_cast<float>(100 - quality) * 0.09f;
  return 6.4f + std::pow(2.5f, static_cast<float>(30 - quality) / 5.0f) / 6.25f;
}

void setColour(JxlEncoder* encoder, const OutputMetadata& metadata) {
  if (!metadata.icc.empty() &&
      JxlEncoderSetICCProfile(encoder, metadata.icc.data(), metadata.icc.size()) == JXL_ENC_SUCCESS)
    return;
  JxlColorEncoding srgb;
  JxlColorEncodingSetToSRGB(&srgb, JXL_FALSE);
  check(JxlEncoderSetColorEncoding(encoder, &srgb), "the colour encoding was refused");
}

// The Exif box starts with the offset of the TIFF header within the rest of the box: none.
void addBoxes(JxlEncoder* encoder, const OutputMetadata& metadata) {
  if (!metadata.exif.empty()) {
    std::vector<std::uint8_t> box(4, 0);
    box.insert(box.end(), metadata.exif.begin(), metadata.exif.end());
    check(JxlEncoderAddBox(encoder, "Exif", box.data(), box.size(), JXL_FALSE), "its Exif block was refused");
  }
  if (!metadata.xmp.empty())
    check(JxlEncoderAddBox(encoder, "xml ", metadata.xmp.data(), metadata.xmp.size(), JXL_FALSE),
          "its XMP packet was refused");
  JxlEncoderCloseBoxes(encoder);
}

void setBasicInfo(JxlEncoder* encoder, const OutputPicture& picture, bool lossless) {
  JxlBasicInfo info;
  JxlEncoderInitBasicInfo(&info);
  info.xsize = static_cast<std::uint32_t>(picture.width);
  info.ysize = static_cast<std::uint32_t>(picture.height);
  info.bits_per_sample = 8;
  info.num_color_channels = 3;
  if (picture.alpha) info.num_extra_channels = 1, info.alpha_bits = 8;
  info.uses_original_profile = lossless ? JXL_TRUE : JXL_FALSE;
  check(JxlEncoderSetBasicInfo(encoder, &info), "the picture's size was refused");
}

std::vector<std::uint8_t> output(JxlEncoder* encoder) {
  std::vector<std::uint8_t> file(64 * 1024);
  std::size_t written = 0;
  for (;;) {
    std::uint8_t* next = file.data() + written;
    std::size_t room = file.size() - written;
    JxlEncoderStatus status = JxlEncoderProcessOutput(encoder, &next, &room);
    written = static_cast<std::size_t>(next - file.data());
    if (status == JXL_ENC_SUCCESS) break;
    if (status != JXL_ENC_NEED_MORE_OUTPUT) fail("the encoder failed");
    file.resize(file.size() * 2);
  }
  file.resize(written);
  return file;
}

}  // namespace

std::vector<std::uint8_t> WriteJxl(const OutputPicture& picture, const OutputMetadata& metadata,
                                   const WriterSettings& settings) {
  JxlEncoderPtr encoder = JxlEncoderMake(nullptr);
  if (!encoder) throw std::bad_alloc();
  bool withBoxes = !metadata.exif.empty() || !metadata.xmp.empty();
  if (withBoxes) check(JxlEncoderUseBoxes(encoder.get()), "boxes are not supported");
  setBasicInfo(encoder.get(), picture, settings.lossless);
  setColour(encoder.get(), metadata);
  if (withBoxes) addBoxes(encoder.get(), metadata);
  JxlEncoderFrameSettings* frame = JxlEncoderFrameSettingsCreate(encoder.get(), nullptr);
  check(JxlEncoderFrameSettingsSetOption(frame, JXL_ENC_FRAME_SETTING_EFFORT, kJxlEffort), "no such effort");
  if (settings.lossless)
    check(JxlEncoderSetFrameLossless(frame, JXL_TRUE), "no lossless mode");
  else
    check(JxlEncoderSetFrameDistance(frame, distanceOf(settings.quality)), "the quality was refused");
  const JxlPixelFormat rgb{static_cast<std::uint32_t>(picture.channels()), JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN,
                           0};
  check(JxlEncoderAddImageFrame(frame, &rgb, picture.rgb.data(), picture.rgb.size()),
        "the picture was refused");
  JxlEncoderCloseInput(encoder.get());
  return output(encoder.get());
}

}  // namespace lumivex
