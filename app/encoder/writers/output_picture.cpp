// The resized picture and its metadata in the form the format libraries take.
#include "encoder/writers/output_picture.h"

#include <algorithm>
#include <string_view>

#include "utilities/premultiplied_colour.h"

namespace lumivex {

namespace {

constexpr std::string_view kExifHeader{"Exif\0\0", 6};
constexpr std::string_view kXmpIdentifier{"http://ns.adobe.com/xap/1.0/\0", 29};

std::vector<std::uint8_t> withoutPrefix(const std::vector<std::uint8_t>& bytes, std::string_view prefix) {
  bool prefixed = bytes.size() >= prefix.size() &&
                  std::equal(prefix.begin(), prefix.end(), bytes.begin(),
                             [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
  if (!prefixed) return bytes;
  return {bytes.begin() + static_cast<std::ptrdiff_t>(prefix.size()), bytes.end()};
}

const std::uint8_t* rowOf(const gdi::DIBSECTION& section, std::int32_t y) {
  std::int32_t stored = section.topDown ? y : section.height - 1 - y;
  return section.bits + static_cast<std::size_t>(stored) * static_cast<std::size_t>(section.stride);
}

OutputPicture straightRgbaOf(const gdi::DIBSECTION& section) {
  OutputPicture picture{section.width, section.height, {}, true};
  const auto width = static_cast<std::size_t>(section.width);
  picture.rgb.resize(width * static_cast<std::size_t>(section.height) * 4);
  std::uint8_t* out = picture.rgb.data();
  for (std::int32_t y = 0; y < section.height; ++y) {
    const std::uint8_t* in = rowOf(section, y);
    for (std::size_t x = 0; x < width; ++x, in += 4, out += 4) {
      const std::uint32_t alpha = in[3];
      out[0] = StraightColour(in[2], alpha), out[1] = StraightColour(in[1], alpha),
      out[2] = StraightColour(in[0], alpha);
      out[3] = in[3];
    }
  }
  return picture;
}

}  // namespace

bool HasTransparency(const gdi::DIBSECTION& section) {
  for (std::int32_t y = 0; y < section.height; ++y) {
    const std::uint8_t* in = rowOf(section, y);
    for (std::int32_t x = 0; x < section.width; ++x, in += 4)
      if (in[3] != 255) return true;
  }
  return false;
}

OutputPicture PictureOfBitmap(const gdi::DIBSECTION& section, bool opacityInFourth) {
  if (opacityInFourth && HasTransparency(section)) return straightRgbaOf(section);
  OutputPicture picture{section.width, section.height, {}};
  const auto width = static_cast<std::size_t>(section.width);
  picture.rgb.resize(width * static_cast<std::size_t>(section.height) * 3);
  std::uint8_t* out = picture.rgb.data();
  for (std::int32_t y = 0; y < section.height; ++y) {
    const std::uint8_t* in = rowOf(section, y);
    for (std::size_t x = 0; x < width; ++x, in += 4, out += 3) out[0] = in[2], out[1] = in[1], out[2] = in[0];
  }
  return picture;
}

std::vector<std::uint8_t> BareExif(const std::vector<std::uint8_t>& app1Payload) {
  return withoutPrefix(app1Payload, kExifHeader);
}

std::vector<std::uint8_t> BareXmp(const std::vector<std::uint8_t>& app1Payload) {
  return withoutPrefix(app1Payload, kXmpIdentifier);
}

std::string EncoderFailure(const char* format, const std::string& why) {
  return std::string("could not be written as ") + format + ": " + why;
}

}  // namespace lumivex
