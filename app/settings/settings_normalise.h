// Settings brought into the ranges the program works with. Both front ends take lumivex.cfg
// through these rules, and the options dialog stores what the user types through them, so a value
// that the dialog would never store never reaches a photo job either.
#pragma once

#include <cstdint>
#include <string>

#include "settings/settings.h"

namespace lumivex {

inline constexpr std::int32_t kMinJpegQuality = 10;
inline constexpr std::int32_t kMaxJpegQuality = 100;

// A JPEG quality read from text or a file: rounded half to even, then held to 10..100 (a value
// that is not a number at all gives 10).
std::int32_t JpegQualityInRange(double quality);

// The name the options dialog shows for a resize quality: "Excellent" for 2, "Best" for 3 and
// "Good" for anything else.
std::string ResizeQualityName(std::int32_t quality);

// The resize quality of a name: "Excellent" 2, "Best" 3, any other text (letter case counts) 1.
std::int32_t ResizeQualityFromName(const std::string& name);

// Brings the values of `values` into range by the options dialog's rules: the JPEG quality into
// 10..100 and the resize quality to 1, 2 or 3 (an unknown one becomes 1, "Good"). The rotation,
// overwrite and destination modes keep any value, as the dialog keeps them: the photo job
// already treats unknown ones safely.
void NormaliseSettings(Settings& values);

}  // namespace lumivex
