// The filter kernels and the per-axis tap tables built from them.
#include "resample/axis_taps.h"

#include <cmath>
#include <limits>
#include <numbers>

namespace corvale {

namespace {

// ((a t + b) t + c) t + d in double precision, the coefficients given in single precision.
float cubic(float a, float b, float c, double d, double t) {
  return static_cast<float>(((a * t + b) * t + c) * t + d);
}

struct Window {
  std::int32_t first;  // offset of the first tap from trunc(position)
  std::int32_t taps;
};

Window windowOf(std::int32_t mode, std::int32_t boxLength) {
  switch (mode) {
    case kBox:
      return {0, boxLength};
    case kBilinear:
      return {0, 2};
    case kSpline36:
      return {-2, 6};
    default:
      return {-8, 17};
  }
}

// The weight of the tap at source index k for a position p. The distance is taken in single
// precision, as the filters are defined.
float tapWeight(std::int32_t mode, float p, std::int32_t k) {
  float t = std::fabs(p - static_cast<float>(k));
  switch (mode) {
    case kBilinear:
      return 1.0f - t;
    case kSpline36:
      return spline36Weight(t);
    case kLanczos8:
      return lanczos8Weight(t);
    default:
      return 0.0f;
  }
}

std::int32_t clampIndex(std::int32_t k, std::int32_t length) {
  if (k < 0) return 0;
  return k < length ? k : length - 1;
}

// NaN and positions outside [0, length) fall outside.
bool inside(float p, std::int32_t length) { return p >= 0.0f && p < static_cast<float>(length); }

}  // namespace

float spline36Weight(float t) {
  if (t <= 1.0f) return cubic(1.1818181f, -2.167464f, -0.014354067f, 1.0, t);
  if (t <= 2.0f) return cubic(-0.54545456f, 1.2918661f, -0.7464115f, 0.0, t - 1.0);
  // Used for every t above 2; the tap window keeps t below 3.
  return cubic(0.09090909f, -0.215311f, 0.12440191f, 0.0, t - 2.0);
}

float sincValue(float t) {
  if (t == 0.0f) return 1.0f;
  const float piT = static_cast<float>(std::numbers::pi * t);
  return static_cast<float>(std::sin(static_cast<double>(piT)) / piT);
}

float lanczos8Weight(float t) {
  if (!(t < 8.0f)) return 0.0f;
  return sincValue(t) * sincValue(t * 0.125f);
}

bool isFilterMode(std::int32_t mode) { return mode >= kBox && mode <= kLanczos8; }

std::vector<float> accumulatedPositions(float start, float step, std::int32_t count) {
  std::vector<float> positions(count > 0 ? static_cast<std::size_t>(count) : 0);
  float p = start;
  for (float& out : positions) {
    out = p;
    p += step;
  }
  return positions;
}

std::int32_t boxSpan(float step) {
  if (!(step >= 1.0f)) return 1;
  if (step >= 2147483648.0f) return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(step);
}

AxisTaps buildAxisTaps(std::int32_t mode, const std::vector<float>& positions, std::int32_t sourceLength,
                       std::int32_t boxLength) {
  const Window window = windowOf(mode, boxLength);
  AxisTaps table;
  table.count = static_cast<std::int32_t>(positions.size());
  table.taps = window.taps;
  const std::size_t cells = static_cast<std::size_t>(table.taps) * positions.size();
  table.index.assign(cells, 0);
  table.weight.assign(cells, 0.0f);
  table.outside.assign(positions.size(), 0);
  for (std::int32_t d = 0; d < table.count; ++d) {
    const float p = positions[d];
    if (!inside(p, sourceLength)) {
      table.outside[d] = 1;
      continue;
    }
    const std::int32_t base = static_cast<std::int32_t>(p) + window.first;
    for (std::int32_t tap = 0; tap < table.taps; ++tap) {
      const std::size_t cell = static_cast<std::size_t>(tap) * table.count + d;
      table.index[cell] = clampIndex(base + tap, sourceLength);
      table.weight[cell] = tapWeight(mode, p, base + tap);
    }
  }
  return table;
}

}  // namespace corvale
