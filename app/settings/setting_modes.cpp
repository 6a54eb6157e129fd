// The keyword table of every mode, read in both directions.
#include "settings/setting_modes.h"

namespace lumivex {
namespace {

template <class Mode>
struct Keyword {
  Mode mode;
  const char* name;
};

constexpr Keyword<RotationMode> kRotationNames[] = {
    {RotationMode::None, "none"}, {RotationMode::ByExif, "exif"}, {RotationMode::ToLandscape, "landscape"}};
constexpr Keyword<OverwriteMode> kOverwriteNames[] = {
    {OverwriteMode::Ask, "ask"}, {OverwriteMode::Never, "never"}, {OverwriteMode::Always, "always"}};
constexpr Keyword<DestinationMode> kDestinationNames[] = {{DestinationMode::SourceFolder, "same"},
                                                          {DestinationMode::Subfolder, "subfolder"},
                                                          {DestinationMode::FixedFolder, "fixed"}};
constexpr Keyword<ProfileMode> kProfileNames[] = {
    {ProfileMode::Keep, "keep"}, {ProfileMode::ConvertToSrgb, "srgb"}, {ProfileMode::Strip, "strip"}};

template <class Mode, std::size_t N>
const char* nameOf(const Keyword<Mode> (&table)[N], Mode mode) {
  for (const Keyword<Mode>& entry : table)
    if (entry.mode == mode) return entry.name;
  return "";
}

template <class Mode, std::size_t N>
bool modeOfName(const Keyword<Mode> (&table)[N], const std::string& name, Mode& mode) {
  for (const Keyword<Mode>& entry : table)
    if (name == entry.name) return mode = entry.mode, true;
  return false;
}

// The keyword, or the mode's number written as lumivex.cfg writes it.
template <class Mode, std::size_t N>
bool modeOfNameOrNumber(const Keyword<Mode> (&table)[N], const std::string& name, Mode& mode) {
  if (modeOfName(table, name, mode)) return true;
  for (const Keyword<Mode>& entry : table)
    if (name == std::to_string(ModeNumber(entry.mode))) return mode = entry.mode, true;
  return false;
}

}  // namespace

const char* RotationModeName(RotationMode mode) { return nameOf(kRotationNames, mode); }
const char* OverwriteModeName(OverwriteMode mode) { return nameOf(kOverwriteNames, mode); }
const char* DestinationModeName(DestinationMode mode) { return nameOf(kDestinationNames, mode); }
const char* ProfileModeName(ProfileMode mode) { return nameOf(kProfileNames, mode); }

bool RotationModeFromName(const std::string& name, RotationMode& mode) {
  return modeOfNameOrNumber(kRotationNames, name, mode);
}

bool OverwriteModeFromName(const std::string& name, OverwriteMode& mode) {
  return modeOfNameOrNumber(kOverwriteNames, name, mode);
}

bool DestinationModeFromName(const std::string& name, DestinationMode& mode) {
  return modeOfNameOrNumber(kDestinationNames, name, mode);
}

bool ProfileModeFromName(const std::string& name, ProfileMode& mode) {
  return modeOfName(kProfileNames, name, mode);
}

}  // namespace lumivex
