// Turns a photo's pixels from the colour space of its embedded ICC profile into sRGB, so that a
// wide-gamut photo (Adobe RGB, ProPhoto) keeps its colours in an output that carries no profile.
// Little CMS 2 does the conversion with the perceptual intent, one transform per photo. Safe to
// call from several job threads at once: every call works in a Little CMS context of its own.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace lumivex {

// `pixels` holds `height` rows of `width` pixels, top-down, 4 bytes a pixel in the order blue,
// green, red and an unused fourth byte that is left as it is. True when the pixels were
// converted. False, with the pixels untouched and `reason` saying why, when the profile cannot be
// read by Little CMS, does not describe RGB (a CMYK or grey profile), cannot be turned into a
// transform, or the sizes do not match the buffer.
bool ConvertPixelsToSrgb(std::span<const std::uint8_t> iccProfile, std::span<std::uint8_t> pixels,
                         std::int32_t width, std::int32_t height, std::string& reason);

}  // namespace lumivex
