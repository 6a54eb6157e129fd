// lumivex-more.cfg: one "key = value" a line, "#" starts a comment, keys in any order.
#include "batch/more_settings.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <sstream>

#include "batch/settings.h"

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

constexpr std::int64_t kKilobyte = 1024;
constexpr std::int64_t kMegabyte = 1024 * kKilobyte;
// Larger limits are no limit to any photo, and the sums stay far from overflowing.
constexpr double kLargestLimit = 1099511627776.0;  // 1 TiB

// The file size limit as lumivex-more.cfg keeps it: whole kilobytes or megabytes when it is one.
std::string fileSizeSetting(std::int64_t bytes) {
  if (bytes > 0 && bytes % kMegabyte == 0) return std::to_string(bytes / kMegabyte) + "m";
  if (bytes > 0 && bytes % kKilobyte == 0) return std::to_string(bytes / kKilobyte) + "k";
  return std::to_string(std::max<std::int64_t>(bytes, 0));
}

// One decimal at most, none when it is 0; from_chars and to_chars ignore the locale.
std::string oneDecimal(double value) {
  char buffer[32];
  auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 1);
  std::string text(buffer, error == std::errc() ? end : buffer);
  if (text.ends_with(".0")) text.resize(text.size() - 2);
  return text;
}

}  // namespace

const char* ProfileModeName(ProfileMode mode) {
  switch (mode) {
    case ProfileMode::ConvertToSrgb:
      return "srgb";
    case ProfileMode::Strip:
      return "strip";
    case ProfileMode::Keep:
      break;
  }
  return "keep";
}

bool ProfileModeFromName(const std::string& name, ProfileMode& mode) {
  for (ProfileMode candidate : {ProfileMode::Keep, ProfileMode::ConvertToSrgb, ProfileMode::Strip})
    if (name == ProfileModeName(candidate)) return mode = candidate, true;
  return false;
}

std::string FormatMoreSettings(const MoreSettings& values) {
  std::ostringstream out;
  out << "# Lumivex settings that lumivex.cfg has no place for.\n"
      << "# profile: keep (the colour profile travels with the photo), srgb (convert to sRGB), strip\n"
      << "profile = " << ProfileModeName(values.profile) << "\n"
      << "strip-location = " << yesNo(values.stripLocation) << "\n"
      << "keep-date = " << yesNo(values.keepDate) << "\n"
      << "shrink-only = " << yesNo(values.shrinkOnly) << "\n"
      << "# max-size: the largest output file, e.g. 300k or 1.5m (1k = 1024 bytes); 0 for no limit\n"
      << "max-size = " << fileSizeSetting(values.maxFileBytes) << "\n";
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
    if (key == "max-size") values.maxFileBytes = ParseFileSizeLimit(value).value_or(values.maxFileBytes);
  }
}

std::optional<std::int64_t> ParseFileSizeLimit(const std::string& text) {
  std::string word = trimmed(text);
  for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (word == "none") return 0;
  std::size_t numberEnd = word.find_first_not_of("0123456789.");
  if (numberEnd == 0 || word.empty()) return std::nullopt;
  if (numberEnd == std::string::npos) numberEnd = word.size();
  double number = 0;
  auto [end, error] = std::from_chars(word.data(), word.data() + numberEnd, number, std::chars_format::fixed);
  if (error != std::errc() || end != word.data() + numberEnd) return std::nullopt;
  std::string unit = trimmed(word.substr(numberEnd));
  double scale = unit.empty()                                   ? 1.0
                 : unit == "k" || unit == "kb" || unit == "kib" ? static_cast<double>(kKilobyte)
                 : unit == "m" || unit == "mb" || unit == "mib" ? static_cast<double>(kMegabyte)
                                                                : 0.0;
  if (scale == 0.0 || (scale == 1.0 && number != std::floor(number))) return std::nullopt;
  double bytes = std::floor(number * scale);
  if (bytes > kLargestLimit || (number > 0 && bytes < 1)) return std::nullopt;
  return static_cast<std::int64_t>(bytes);
}

std::string FileSizeLimitText(std::int64_t bytes) {
  if (bytes <= 0) return "no limit";
  if (bytes < kKilobyte) return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
  if (bytes < kMegabyte) return oneDecimal(static_cast<double>(bytes) / kKilobyte) + " KB";
  return oneDecimal(static_cast<double>(bytes) / kMegabyte) + " MB";
}

void LoadMoreSettings() {
  moreSettings = MoreSettings{};
  if (std::optional<std::string> text = ReadConfigFile(kMoreSettingsFileName))
    ParseMoreSettings(*text, moreSettings);
  else
    SaveMoreSettings();
}

bool SaveMoreSettings() { return WriteConfigFile(kMoreSettingsFileName, FormatMoreSettings(moreSettings)); }

}  // namespace lumivex
