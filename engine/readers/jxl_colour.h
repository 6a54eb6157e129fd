// The colours a JPEG XL file's pixels are asked for, by the engine's reader and by the program's
// metadata pass alike, so that the profile a copy carries describes the pixels it was given.
// A file coded in its own colour space gives its pixels in it. A lossy (XYB) file can be given in
// any enumerated colour space: its own when the file names it by one, else sRGB. Left to itself,
// libjxl gives a lossy file with an attached ICC profile in linear light, which in 8 bits bands in
// the shadows and looks dark to every viewer that does not manage colours. Header only, like the
// byte cursor, so that the program uses the same rule without linking the engine.
#pragma once

#include "libraries/lazy_jxl.h"

namespace corvale {

// To be called at the decoder's JXL_DEC_COLOR_ENCODING event, before any other.
inline void askDisplayableColours(JxlDecoder* decoder) {
  JxlBasicInfo info;
  if (JxlDecoderGetBasicInfo(decoder, &info) != JXL_DEC_SUCCESS || info.uses_original_profile) return;
  JxlColorEncoding wanted{};
  if (JxlDecoderGetColorAsEncodedProfile(decoder, nullptr, JXL_COLOR_PROFILE_TARGET_ORIGINAL, &wanted) !=
      JXL_DEC_SUCCESS) {
    wanted = {};
    wanted.color_space = info.num_color_channels == 1 ? JXL_COLOR_SPACE_GRAY : JXL_COLOR_SPACE_RGB;
    wanted.white_point = JXL_WHITE_POINT_D65;
    wanted.primaries = JXL_PRIMARIES_SRGB;
    wanted.transfer_function = JXL_TRANSFER_FUNCTION_SRGB;
    wanted.rendering_intent = JXL_RENDERING_INTENT_PERCEPTUAL;
  }
  JxlDecoderSetPreferredColorProfile(decoder, &wanted);
}

}  // namespace corvale
