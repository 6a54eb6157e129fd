// What every writer other than our own JPEG encoder is given: the resized picture as rows of red,
// green and blue (and straight alpha when it has transparency), the metadata the copy carries, each in its
// bare form (the container's wrapping is the writer's business), and the quality asked for.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/gdi.h"

namespace lumivex {

struct OutputPicture {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint8_t> rgb;  // 3 bytes a pixel (4 with alpha), rows top to bottom, no padding
  bool alpha = false;             // red, green, blue and straight (not premultiplied) alpha

  std::int32_t channels() const { return alpha ? 4 : 3; }
};

struct OutputMetadata {
  std::vector<std::uint8_t> exif;  // from the TIFF header on ("II*\0" or "MM\0*"); empty for none
  std::vector<std::uint8_t> xmp;   // the XMP packet alone; empty for none
  std::vector<std::uint8_t> icc;   // the colour profile; empty for none (the pixels are sRGB)
};

struct WriterSettings {
  std::int32_t quality = 75;  // 1..100 on the library's own scale
  bool lossless = false;      // for the writers that have a lossless mode
};

// True when any pixel of a picture whose fourth byte is its opacity is less than opaque.
bool HasTransparency(const gdi::DIBSECTION& section);

// The picture of a 32-bit device-independent bitmap (blue, green, red, unused), either row order.
// With `opacityInFourth` the fourth byte is the opacity and the colours are premultiplied by it:
// a picture with any pixel less than opaque then comes out with straight alpha, any other as RGB.
OutputPicture PictureOfBitmap(const gdi::DIBSECTION& section, bool opacityInFourth = false);

// The Exif block without the "Exif\0\0" of a JPEG APP1 payload, and the XMP packet without the
// identifier of a JPEG APP1 segment, as every other container holds them.
std::vector<std::uint8_t> BareExif(const std::vector<std::uint8_t>& app1Payload);
std::vector<std::uint8_t> BareXmp(const std::vector<std::uint8_t>& app1Payload);

// A library's refusal, worded as a reason for the photo.
std::string EncoderFailure(const char* format, const std::string& why);

}  // namespace lumivex
