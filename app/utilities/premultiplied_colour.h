// One colour byte of a picture that keeps its opacity, between its premultiplied form (how the
// engine's readers and resampler hold it) and its straight form (how the format libraries and the
// colour profiles take it). Both directions round the same way everywhere, so a colour
// straightened for a writer or a profile and premultiplied again moves by as little as it can.
#pragma once

#include <cstdint>

namespace lumivex {

// Premultiplied colour back to straight, rounded; a colour the resample's overshoot pushed above
// its opacity is held at full strength, and a transparent pixel has no colour.
inline std::uint8_t StraightColour(std::uint32_t colour, std::uint32_t alpha) {
  if (alpha == 0) return 0;
  if (colour >= alpha) return 255;
  return static_cast<std::uint8_t>((colour * 255 + alpha / 2) / alpha);
}

// colour * alpha / 255, rounded as the engine's readers premultiply.
inline std::uint8_t PremultipliedColour(std::uint32_t colour, std::uint32_t alpha) {
  return static_cast<std::uint8_t>((colour * alpha + 127) / 255);
}

}  // namespace lumivex
