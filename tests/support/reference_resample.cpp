// Direct resampling: per destination pixel, per tap, the weight from its formula.
#include "support/reference_resample.h"

#include <cmath>
#include <cstddef>

namespace reference {

float spline36Weight(float t) {
  double x = t;
  if (t <= 1.0f) return static_cast<float>(((1.1818181f * x - 2.167464f) * x - 0.014354067f) * x + 1.0);
  if (t <= 2.0f) {
    double u = x - 1.0;
    return static_cast<float>(((-0.54545456f * u + 1.2918661f) * u - 0.7464115f) * u);
  }
  double u = x - 2.0;
  return static_cast<float>(((0.09090909f * u - 0.215311f) * u + 0.12440191f) * u);
}

float sincValue(float t) {
  if (t == 0.0f) return 1.0f;
  float pt = static_cast<float>(3.14159265358979323846 * t);
  return static_cast<float>(std::sin(static_cast<double>(pt)) / pt);
}

float lanczos8Weight(float t) {
  if (t < 8.0f) return sincValue(t) * sincValue(t * 0.125f);
  return 0.0f;
}

namespace {

struct Sums {
  float blue = 0.0f, green = 0.0f, red = 0.0f;
};

const std::uint8_t* pixel(const std::uint8_t* pixels, std::int32_t width, std::int32_t x, std::int32_t y) {
  return pixels +
         (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 4;
}

void addTap(Sums& sums, float weight, const std::uint8_t* p) {
  sums.blue += weight * p[0];
  sums.green += weight * p[1];
  sums.red += weight * p[2];
}

std::int32_t clampIndex(std::int32_t k, std::int32_t length) {
  if (k < 0) return 0;
  if (k >= length) return length - 1;
  return k;
}

// trunc(step). An enlargement (step below 1) would give an empty box and a weight of 1/0: the box
// is at least one pixel, so mode 0 then picks the pixel at or left of / above the position. Taps
// beyond the source read its last column or row (filterAt clamps every index) and count in the
// weight.
std::int32_t boxSpan(float step) {
  if (!(step >= 1.0f)) return 1;
  return static_cast<std::int32_t>(step);
}

std::uint8_t toByte(float sum, bool clampRange) {
  if (clampRange) sum = sum < 0.0f ? 0.0f : (sum > 255.0f ? 255.0f : sum);
  return static_cast<std::uint8_t>(static_cast<std::int32_t>(sum) & 0xFF);
}

struct Source {
  const std::uint8_t* pixels;
  std::int32_t width, height;
};

// One destination pixel at source position (x, y), inside the source. `rowsOuter` gives the
// Lanczos tap order (rows outer, columns inner).
Sums filterAt(const Source& s, float x, float y, std::int32_t mode, std::int32_t boxWidth,
              std::int32_t boxHeight, bool rowsOuter) {
  Sums sums;
  std::int32_t x0 = static_cast<std::int32_t>(x), y0 = static_cast<std::int32_t>(y);
  if (mode == 0) {
    float boxWeight = 1.0f / static_cast<float>(static_cast<std::int64_t>(boxWidth) * boxHeight);
    for (std::int32_t k = x0; k < x0 + boxWidth; ++k)
      for (std::int32_t l = y0; l < y0 + boxHeight; ++l)
        addTap(sums, boxWeight, pixel(s.pixels, s.width, clampIndex(k, s.width), clampIndex(l, s.height)));
  } else if (mode == 1) {
    for (std::int32_t k = x0; k <= x0 + 1; ++k)
      for (std::int32_t l = y0; l <= y0 + 1; ++l) {
        float weight = (1.0f - std::fabs(y - l)) * (1.0f - std::fabs(x - k));
        std::int32_t sx = k < s.width - 1 ? k : s.width - 1, sy = l < s.height - 1 ? l : s.height - 1;
        addTap(sums, weight, pixel(s.pixels, s.width, sx, sy));
      }
  } else if (mode == 2) {
    for (std::int32_t k = x0 - 2; k <= x0 + 3; ++k)
      for (std::int32_t l = y0 - 2; l <= y0 + 3; ++l) {
        float weight = spline36Weight(std::fabs(x - k)) * spline36Weight(std::fabs(y - l));
        addTap(sums, weight, pixel(s.pixels, s.width, clampIndex(k, s.width), clampIndex(l, s.height)));
      }
  } else if (mode == 3) {
    for (std::int32_t outer = -8; outer <= 8; ++outer)
      for (std::int32_t inner = -8; inner <= 8; ++inner) {
        std::int32_t k = x0 + (rowsOuter ? inner : outer), l = y0 + (rowsOuter ? outer : inner);
        float weight = lanczos8Weight(std::fabs(x - k)) * lanczos8Weight(std::fabs(y - l));
        addTap(sums, weight, pixel(s.pixels, s.width, clampIndex(k, s.width), clampIndex(l, s.height)));
      }
  }
  return sums;
}

void store(std::uint8_t* out, const Sums& sums, std::int32_t mode) {
  bool clampRange = mode == 2 || mode == 3;
  out[0] = toByte(sums.blue, clampRange);
  out[1] = toByte(sums.green, clampRange);
  out[2] = toByte(sums.red, clampRange);
}

}  // namespace

void resampleInto(std::uint8_t* dest, std::int32_t destWidth, std::int32_t destHeight,
                  const std::uint8_t* source, std::int32_t sourceWidth, std::int32_t sourceHeight,
                  std::int32_t mode) {
  if (!dest || !source || destWidth <= 0 || destHeight <= 0 || sourceWidth <= 0 || sourceHeight <= 0) return;
  Source s{source, sourceWidth, sourceHeight};
  float stepX = static_cast<float>(sourceWidth) / static_cast<float>(destWidth);
  float stepY = static_cast<float>(sourceHeight) / static_cast<float>(destHeight);
  std::int32_t boxWidth = boxSpan(stepX), boxHeight = boxSpan(stepY);
  float y = 0.0f;
  for (std::int32_t j = 0; j < destHeight; ++j, y += stepY) {
    float x = 0.0f;
    for (std::int32_t i = 0; i < destWidth; ++i, x += stepX) {
      Sums sums;
      if (x < sourceWidth && y < sourceHeight && mode >= 0 && mode <= 3)
        sums = filterAt(s, x, y, mode, boxWidth, boxHeight, true);
      store(dest + (static_cast<std::size_t>(j) * destWidth + i) * 4, sums, mode);
    }
  }
}

void imgResample(std::int32_t destWidth, std::int32_t destHeight, std::int32_t xOffset, std::int32_t yOffset,
                 float xStep, float yStep, std::int32_t sourceWidth, std::int32_t sourceHeight,
                 std::int32_t mode, const std::uint8_t* source, std::uint8_t* dest) {
  if (!dest || destWidth <= 0 || destHeight <= 0) return;
  Source s{source, sourceWidth, sourceHeight};
  bool usable = source && sourceWidth > 0 && sourceHeight > 0;
  std::int32_t boxWidth = boxSpan(xStep), boxHeight = boxSpan(yStep);
  float x = static_cast<float>(-xOffset);
  for (std::int32_t i = 0; i < destWidth; ++i, x += xStep) {
    float y = static_cast<float>(-yOffset);
    for (std::int32_t j = 0; j < destHeight; ++j, y += yStep) {
      Sums sums;
      bool inside = x >= 0.0f && y >= 0.0f && x < sourceWidth && y < sourceHeight;
      if (usable && inside && mode >= 0 && mode <= 3)
        sums = filterAt(s, x, y, mode, boxWidth, boxHeight, false);
      store(dest + (static_cast<std::size_t>(i) + static_cast<std::size_t>(destWidth) * j) * 4, sums, mode);
    }
  }
}

}  // namespace reference
