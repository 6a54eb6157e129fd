// The opacity of a kept-alpha picture is resampled as a picture of its own, its blue the opacity:
// the resampler stays the one tested loop over three channels, and pictures without alpha do not
// pay for a fourth.
#include "picture/kept_alpha.h"

#include "jobs/band_split.h"

namespace corvale {

namespace {

// Blue the opacity and green its complement: the resampler truncates its sums, so an opaque
// area, whose weights add up to a hair below one, would come out 254 in blue; its complement is
// 0 times every weight, exactly 0, and says the pixel is opaque.
bool opacityAsBlue(const Picture& source, Picture& plane) {
  bool transparent = false;
  for (std::int32_t y = 0; y < source.height; ++y) {
    const std::uint8_t* in = pixelAt(source, 0, y);
    std::uint8_t* out = pixelAt(plane, 0, y);
    for (std::int32_t x = 0; x < source.width; ++x, in += 4, out += 4) {
      out[0] = in[3], out[1] = static_cast<std::uint8_t>(255 - in[3]);
      transparent |= in[3] != 255;
    }
  }
  return transparent;
}

void blueAsOpacity(const Picture& plane, Picture& dest) {
  for (std::int32_t y = 0; y < dest.height; ++y) {
    const std::uint8_t* in = pixelAt(plane, 0, y);
    std::uint8_t* out = pixelAt(dest, 0, y);
    for (std::int32_t x = 0; x < dest.width; ++x, in += 4, out += 4) out[3] = in[1] == 0 ? 255 : in[0];
  }
}

}  // namespace

bool resampleKeptAlpha(const Picture& source, Picture& dest, std::int32_t mode, std::int32_t threads) {
  Picture plane, resampled;
  allocatePicture(plane, source.width, source.height, nullptr);
  bool done = false, transparent = false;
  try {
    if (!plane.empty()) transparent = opacityAsBlue(source, plane);
    // An opaque source stays opaque, to the byte: no resample of its opacity is needed.
    if (!plane.empty() && !transparent) {
      releasePicture(plane);
      makeOpaque(dest);
      return true;
    }
    allocatePicture(resampled, dest.width, dest.height, nullptr);
    if (!plane.empty() && !resampled.empty()) done = resampleBestInBands(plane, resampled, mode, threads);
  } catch (...) {
    releasePicture(plane), releasePicture(resampled);
    throw;
  }
  if (done) blueAsOpacity(resampled, dest);
  releasePicture(plane), releasePicture(resampled);
  return done;
}

void makeOpaque(Picture& picture) {
  for (std::int32_t y = 0; y < picture.height; ++y) {
    std::uint8_t* p = pixelAt(picture, 0, y);
    for (std::int32_t x = 0; x < picture.width; ++x, p += 4) p[3] = 255;
  }
}

}  // namespace corvale
