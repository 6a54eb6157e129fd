// The planned load's steps for a picture that keeps its transparency: the opacity resampled as
// the colours are, and an opaque result made to say so in its fourth bytes.
#pragma once

#include <cstdint>

#include "picture/picture.h"

namespace corvale {

// The fourth bytes of `dest` (already filled from `source` by the best-quality resample) from the
// fourth bytes of `source` by the same resample: the opacity goes through the very filter and
// rounding the premultiplied colours went through, so colour and opacity stay matched. False when
// the working pictures cannot be had.
bool resampleKeptAlpha(const Picture& source, Picture& dest, std::int32_t mode, std::int32_t threads);

// Every fourth byte 255, for a picture that wanted its alpha and had none.
void makeOpaque(Picture& picture);

}  // namespace corvale
