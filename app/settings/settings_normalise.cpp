// The options dialog's rules for the JPEG and resize qualities, applied to settings read from file.
#include "settings/settings_normalise.h"

#include <algorithm>
#include <cmath>

#include "settings/target_size.h"

namespace lumivex {

std::int32_t JpegQualityInRange(double quality) {
  if (std::isnan(quality)) return kMinJpegQuality;
  // Clamped while still a double, so that no huge value is ever converted to an integer.
  double clamped = std::clamp(RoundHalfEven(quality), double{kMinJpegQuality}, double{kMaxJpegQuality});
  return static_cast<std::int32_t>(clamped);
}

std::string ResizeQualityName(std::int32_t quality) {
  return quality == 2 ? "Excellent" : quality == 3 ? "Best" : "Good";
}

std::int32_t ResizeQualityFromName(const std::string& name) {
  return name == "Excellent" ? 2 : name == "Best" ? 3 : 1;
}

void NormaliseSettings(Settings& values) {
  values.JpegQuality = JpegQualityInRange(values.JpegQuality);
  values.ResizeQuality = ResizeQualityFromName(ResizeQualityName(values.ResizeQuality));
}

}  // namespace lumivex
