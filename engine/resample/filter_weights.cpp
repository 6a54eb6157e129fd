// Filter kernels. These are evaluated only while the per-axis tap tables are built, never per tap.
#include "resample/filter_weights.h"

#include <cmath>
#include <numbers>

namespace corvale {

namespace {

// ((a t + b) t + c) t + d in double precision, the coefficients given in single precision.
float cubic(float a, float b, float c, double d, double t) {
  return static_cast<float>(((a * t + b) * t + c) * t + d);
}

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

}  // namespace corvale
