// Per-axis tap tables of the resampler, and the filter kernels they are built from. Every
// destination column (or row) samples the source at one position; the table holds, for each tap of
// its window, the source index (already clamped to the source) and the exact single-precision
// weight, so that the 2-D loops neither test bounds nor evaluate a kernel.
#pragma once

#include <cstdint>
#include <vector>

namespace corvale {

// Resampling modes; any other value gives black pixels.
enum ResamplingMode : std::int32_t { kBox = 0, kBilinear = 1, kSpline36 = 2, kLanczos8 = 3 };

bool isFilterMode(std::int32_t mode);

// The filter kernels. t is a distance in source pixels (t >= 0). Constants are single-precision;
// each polynomial is evaluated in double precision and rounded to single. They are evaluated only
// while a table is built, never per tap.
float spline36Weight(float t);  // cubic spline with three lobes (the 6-tap "spline36")
float sincValue(float t);       // sin(pi t) / (pi t), pi t rounded to single before the sine; 1 at 0
float lanczos8Weight(float t);  // Lanczos with window 8: sinc(t) * sinc(t / 8) inside, 0 outside

// Positions as the resampler walks them: start, start + step, ... accumulated in single precision,
// so that entry n is step added n times (not n * step).
std::vector<float> accumulatedPositions(float start, float step, std::int32_t count);

// Box size along one axis: trunc(step), at least 1 (an enlargement would otherwise have an empty
// box and a weight of 1/0; a box of one pixel picks the pixel at or before the position). A box may
// reach beyond the source: its taps there read the last column or row, as the filter windows'
// taps do, and still count in the box weight. A step beyond the 32-bit range gives the largest
// count, which no caller accepts.
std::int32_t boxSpan(float step);

struct AxisTaps {
  std::int32_t count = 0;  // destination columns (or rows)
  std::int32_t taps = 0;   // taps per destination index
  // Tap-major: entry [tap * count + d]. Outside positions have index 0 and weight 0.
  std::vector<std::int32_t> index;
  std::vector<float> weight;
  std::vector<std::uint8_t> outside;  // 1 where the position is not inside the source

  std::int32_t indexAt(std::int32_t tap, std::int32_t d) const {
    return index[static_cast<std::size_t>(tap) * count + d];
  }
  float weightAt(std::int32_t tap, std::int32_t d) const {
    return weight[static_cast<std::size_t>(tap) * count + d];
  }
};

// The table of one axis for `mode` (a filter mode). `boxLength` is the box size of mode 0 and is
// ignored by the other modes; mode 0 carries no per-axis weights.
AxisTaps buildAxisTaps(std::int32_t mode, const std::vector<float>& positions, std::int32_t sourceLength,
                       std::int32_t boxLength);

}  // namespace corvale
