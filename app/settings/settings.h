// The program-wide settings: their defaults, the settings file lumivex.cfg and the size list of
// resolutions.cfg. One instance, read and written directly by every part of the program.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "settings/setting_modes.h"

namespace lumivex {

struct Settings {
  std::string ResolutionText = "800x600";  // text of the size box (cmbResolution)
  std::vector<std::string> ResolutionItems = {"320x240",  "640x480",  "600x600",   "800x600",  "1024x768",
                                              "1280x800", "1280x960", "1680x1050", "1600x1200"};
  std::int32_t ResizeQuality = 2;  // engine resampling mode: 1 Good, 2 Excellent, 3 Best
  std::int32_t JpegQuality = 88;
  std::string SubfolderName = "resized";  // may hold %WIDTH% and %HEIGHT%
  bool CopyExif = true;
  bool AlwaysOnTop = false;
  std::string OutputFilenamePattern = "%SRC%_%DSTX%x%DSTY%";
  bool AutoCrop = false;
  // The type names are qualified: each field bears the name of its own type.
  lumivex::RotationMode RotationMode = lumivex::RotationMode::None;
  lumivex::OverwriteMode OverwriteMode = lumivex::OverwriteMode::Ask;
  lumivex::DestinationMode DestinationMode = lumivex::DestinationMode::Subfolder;
  std::string FixedFolder;       // may hold %WIDTH%, %HEIGHT% and %SUBDIR%
};

extern Settings settings;

// The size list used when no resolutions.cfg exists.
std::vector<std::string> BuiltInResolutions();

// The user's home folder with a trailing "/": the default fixed folder.
std::string HomeFolder();

// Where lumivex.cfg and resolutions.cfg live, with a trailing "/": $LUMIVEX_CONFIG_DIR when set,
// else the executable's folder when a lumivex.cfg is there and the folder is writable (a portable
// install), else $XDG_CONFIG_HOME/lumivex/ (by default ~/.config/lumivex/).
std::string ConfigFolder();

// Every setting to its default, the size list from resolutions.cfg when it
// exists (else the built-in list) and the size text to "800x600".
void LoadDefaults();

// Reads lumivex.cfg when it exists. Reading stops at the first record that is missing or cannot
// be converted; the records read before it keep their new values. A file that is not text at all
// (control bytes) is not read: every setting keeps its default. The values are then brought into
// range by NormaliseSettings (settings_normalise.h). Answers, for a damaged file, the line that
// names it and says why (the window stays silent, a run without one prints it); empty otherwise.
std::string LoadSettings();

// Writes lumivex.cfg (creating the configuration folder when needed). A failure leaves any
// previous file as it was and answers false.
bool SaveSettings();

// Writes `text` as the file `name` of the configuration folder (creating the folder when needed)
// through a temporary file and a rename; a failure leaves any previous file as it was.
bool WriteConfigFile(const std::string& name, const std::string& text);

// The text of the file `name` of the configuration folder; none when it cannot be read.
std::optional<std::string> ReadConfigFile(const std::string& name);

}  // namespace lumivex
