// Turns a photo's pixels from the colour space of its embedded ICC profile into sRGB, so that a
// wide-gamut photo (Adobe RGB, ProPhoto) keeps its colours in an output that carries no profile.
// Little CMS 2 does the conversion with the perceptual intent, one transform per photo. Safe to
// call from several job threads at once: every call works in a Little CMS context of its own.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace lumivex {

// The colours a profile describes, by its header's colour space field (ICC.1 clause 7.2.6).
enum class ProfileSpace { Rgb, Grey, Cmyk, Other };
ProfileSpace ProfileSpaceOf(std::span<const std::uint8_t> iccProfile);

// `pixels` holds `height` rows of `width` pixels, top-down, 4 bytes a pixel. For an RGB profile
// they are blue, green, red and an unused fourth byte that is left as it is; for a grey profile
// the grey value is in each of the first three bytes; for a CMYK profile the four bytes are the
// inks as Adobe stores them in a JPEG file (inverted: 255 is no ink), cyan first, which become
// blue, green, red and a fourth byte of 0. True when the pixels were converted. False, with the
// pixels untouched and `reason` saying why, when the profile cannot be read by Little CMS,
// describes none of these colour spaces, cannot be turned into a transform, or the sizes do not
// match the buffer.
bool ConvertPixelsToSrgb(std::span<const std::uint8_t> iccProfile, std::span<std::uint8_t> pixels,
                         std::int32_t width, std::int32_t height, std::string& reason);

// ConvertPixelsToSrgb for an RGB or grey picture whose fourth byte is its opacity and whose
// colours are premultiplied by it: the colours are converted as the straight colours they stand
// for and premultiplied again, the opacities stay as they are (a transparent pixel stays 0).
bool ConvertPremultipliedToSrgb(std::span<const std::uint8_t> iccProfile, std::span<std::uint8_t> pixels,
                                std::int32_t width, std::int32_t height, std::string& reason);

// Inks as ConvertPixelsToSrgb takes them turned into RGB without a profile, as the engine's reader
// does for a CMYK file (red = C * K / 255 and so on, on the inverted values), for a file whose
// profile cannot be used.
void InksToRgbWithoutProfile(std::span<std::uint8_t> pixels, std::int32_t width, std::int32_t height);

}  // namespace lumivex
