// lumivex-more.cfg: one "key = value" a line, "#" starts a comment, keys in any order.
#include "settings/more_settings.h"

#include <sstream>

#include "settings/settings.h"

namespace lumivex {

MoreSettings moreSettings;

namespace {

std::string trimmed(const std::string& text) {
  std::size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

bool readYesNo(const std::string& value, bool& out) {
  if (value == "yes" || value == "true" || value == "1") return out = true, true;
  if (value == "no" || value == "false" || value == "0") return out = false, true;
  return false;
}

const char* yesNo(bool value) { return value ? "yes" : "no"; }

}  // namespace

std::string FormatMoreSettings(const MoreSettings& values) {
  std::ostringstream out;
  out << "# Lumivex settings that lumivex.cfg has no place for.\n"
      << "# profile: keep (the colour profile travels with the photo), srgb (convert to sRGB), strip\n"
      << "profile = " << ProfileModeName(values.profile) << "\n"
      << "strip-location = " << yesNo(values.stripLocation) << "\n"
      << "keep-date = " << yesNo(values.keepDate) << "\n"
      << "shrink-only = " << yesNo(values.shrinkOnly) << "\n"
      << "# max-size: the largest file an output may become, such as 300k or 1.5m; 0 for no limit\n"
      << "max-size = " << FileSizeLimitSetting(values.maxFileBytes) << "\n"
      << "# format: " << OutputFormatChoices(", ") << " (same: each source's own format)\n"
      << "format = " << OutputFormatName(values.format) << "\n"
      << "lossless = " << yesNo(values.lossless) << "\n";
  return out.str();
}

void ParseMoreSettings(const std::string& text, MoreSettings& values) {
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    line = trimmed(line.substr(0, line.find('#')));
    std::size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    std::string key = trimmed(line.substr(0, equals)), value = trimmed(line.substr(equals + 1));
    if (key == "profile") ProfileModeFromName(value, values.profile);
    if (key == "strip-location") readYesNo(value, values.stripLocation);
    if (key == "keep-date") readYesNo(value, values.keepDate);
    if (key == "shrink-only") readYesNo(value, values.shrinkOnly);
    if (key == "format") values.format = ParseOutputFormat(value).value_or(values.format);
    if (key == "lossless") readYesNo(value, values.lossless);
    if (key == "max-size") values.maxFileBytes = ParseFileSizeLimit(value).value_or(values.maxFileBytes);
  }
}

// Reading never writes: a run without a window leaves no settings file behind, and the window
// writes this one with the others when it closes.
void LoadMoreSettings() {
  moreSettings = MoreSettings{};
  if (std::optional<std::string> text = ReadConfigFile(kMoreSettingsFileName))
    ParseMoreSettings(*text, moreSettings);
}

bool SaveMoreSettings() { return WriteConfigFile(kMoreSettingsFileName, FormatMoreSettings(moreSettings)); }

}  // namespace lumivex
