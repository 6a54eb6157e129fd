// The filter kernels of the resampler. t is a distance in source pixels (t >= 0). Constants are
// single-precision; each polynomial is evaluated in double precision and rounded to single.
#pragma once

namespace corvale {

// Cubic spline with three lobes (the 6-tap "spline36").
float spline36Weight(float t);

// sin(pi t) / (pi t), with pi t rounded to single precision before the sine; 1 at 0.
float sincValue(float t);

// Lanczos with window 8: sinc(t) * sinc(t / 8) inside the window, 0 outside.
float lanczos8Weight(float t);

}  // namespace corvale
