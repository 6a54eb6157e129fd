// The resampling filters written straight from their formulas: every weight evaluated afresh for
// every tap, one pixel at a time. Slow on purpose; the tests and the benchmark hold the engine's
// table-driven resampler against it byte for byte.
//
// Buffers are laid out like an engine picture: four bytes per pixel (blue, green, red, a fourth
// byte that is never written), rows top-down, exactly width * 4 bytes each.
#pragma once

#include <cstdint>

namespace reference {

float spline36Weight(float t);
float sincValue(float t);
float lanczos8Weight(float t);

// Fills the whole destination from the whole source, as the engine's resampleInto does.
void resampleInto(std::uint8_t* dest, std::int32_t destWidth, std::int32_t destHeight,
                  const std::uint8_t* source, std::int32_t sourceWidth, std::int32_t sourceHeight,
                  std::int32_t mode);

// The same filters with explicit steps and offsets, walking the destination column by column, as
// the export imgResample does.
void imgResample(std::int32_t destWidth, std::int32_t destHeight, std::int32_t xOffset, std::int32_t yOffset,
                 float xStep, float yStep, std::int32_t sourceWidth, std::int32_t sourceHeight,
                 std::int32_t mode, const std::uint8_t* source, std::uint8_t* dest);

}  // namespace reference
