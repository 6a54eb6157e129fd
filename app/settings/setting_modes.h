// The settings that choose one of a few ways of working, each named once: what the numbers that
// lumivex.cfg stores for rotation, overwriting and the destination stand for, and the keywords by
// which the command line and lumivex-more.cfg name every mode.
#pragma once

#include <cstdint>
#include <string>

namespace lumivex {

// The three modes that lumivex.cfg stores as numbers keep exactly those numbers. A number read from
// an older or edited file may be none of them; it is kept as it is (the options dialog keeps it
// too), and the photo job treats an unknown mode safely: no turn, no overwriting, no output.
enum class RotationMode : std::int32_t { None = 0, ByExif = 1, ToLandscape = 2 };
enum class OverwriteMode : std::int32_t { Ask = 0, Never = 1, Always = 2 };
enum class DestinationMode : std::int32_t { SourceFolder = 0, Subfolder = 1, FixedFolder = 2 };

// What happens to the source's colour profile (lumivex-more.cfg).
enum class ProfileMode { Keep, ConvertToSrgb, Strip };

// The number lumivex.cfg stores for a mode.
template <class Mode>
constexpr std::int32_t ModeNumber(Mode mode) {
  return static_cast<std::int32_t>(mode);
}

// The keyword of each mode: "none", "exif", "landscape"; "ask", "never", "always"; "same",
// "subfolder", "fixed"; "keep", "srgb", "strip". A stored number that is no known mode has no
// keyword and gives "".
const char* RotationModeName(RotationMode mode);
const char* OverwriteModeName(OverwriteMode mode);
const char* DestinationModeName(DestinationMode mode);
const char* ProfileModeName(ProfileMode mode);

// The mode of a keyword (exact, lower case), or for the three modes of lumivex.cfg also of the
// number the file stores for it ("0", "1" or "2"). False, and `mode` untouched, for any other text.
bool RotationModeFromName(const std::string& name, RotationMode& mode);
bool OverwriteModeFromName(const std::string& name, OverwriteMode& mode);
bool DestinationModeFromName(const std::string& name, DestinationMode& mode);
bool ProfileModeFromName(const std::string& name, ProfileMode& mode);

}  // namespace lumivex
