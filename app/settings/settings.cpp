// Defaults, the configuration folder, and reading and safely replacing lumivex.cfg.
#include "settings/settings.h"

#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include "files/new_file.h"
#include "settings/settings_file.h"
#include "settings/settings_normalise.h"
#include "utilities/utilities.h"

namespace lumivex {
namespace fs = std::filesystem;

Settings settings;

namespace {

constexpr const char* kSettingsFileName = "lumivex.cfg";
constexpr const char* kResolutionsFileName = "resolutions.cfg";

std::string withTrailingSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

bool isWritableFolder(const std::string& folder) {
  return !folder.empty() && access(folder.c_str(), W_OK | X_OK) == 0;
}

std::optional<std::string> readWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Lines end in CR LF (a lone LF or CR is taken as well); a last line without its end still counts.
std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c != '\r' && c != '\n') {
      line += c;
      continue;
    }
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    lines.push_back(std::move(line));
    line.clear();
  }
  if (!line.empty()) lines.push_back(std::move(line));
  return lines;
}

// Entries are taken untrimmed; only lines of nothing but blanks are left out.
std::vector<std::string> resolutionEntries(const std::string& text) {
  std::vector<std::string> entries;
  for (std::string& line : linesOf(text))
    if (line.find_first_not_of(' ') != std::string::npos) entries.push_back(std::move(line));
  return entries;
}

// The new text replaces the old file in one step, through the same atomic write as the photos'
// copies, so a failure half-way (a full disk, a lost folder) keeps the old file. A settings file
// kept as a symbolic link (as dot-file managers do) stays a link: the file it points to is replaced.
bool replaceFileContents(const std::string& folder, const std::string& name, const std::string& bytes) {
  std::error_code error;
  std::filesystem::path target = folder + name;
  if (std::filesystem::is_symlink(target, error)) {
    std::filesystem::path resolved = std::filesystem::canonical(target, error);
    if (!error) target = resolved;
  }
  try {
    writeNewFile(target.string(), std::vector<std::uint8_t>(bytes.begin(), bytes.end()),
                 ExistingFile::Replace, Durability::Now);
    return true;
  } catch (const std::system_error&) {
    return false;
  }
}

}  // namespace

std::vector<std::string> BuiltInResolutions() { return Settings{}.ResolutionItems; }

std::string HomeFolder() {
  std::string home = environment("HOME");
  if (home.empty()) {
    if (const passwd* entry = getpwuid(getuid())) home = entry->pw_dir ? entry->pw_dir : "";
  }
  return withTrailingSlash(home.empty() ? "/" : home);
}

std::string ConfigFolder() {
  std::string overridden = environment("LUMIVEX_CONFIG_DIR");
  if (!overridden.empty()) return withTrailingSlash(overridden);
  // A portable install keeps its settings beside the program; any other install (as root, the
  // program's folder is writable too) must not leave them among the system's programs.
  std::string beside = ExecutableFolder();
  if (FileExists(beside + kSettingsFileName) && isWritableFolder(beside)) return beside;
  std::string xdg = environment("XDG_CONFIG_HOME");
  if (xdg.empty() || xdg[0] != '/') xdg = HomeFolder() + ".config";
  return withTrailingSlash(xdg) + "lumivex/";
}

void LoadDefaults() {
  settings = Settings{};
  settings.FixedFolder = HomeFolder();
  std::string resolutions = ConfigFolder() + kResolutionsFileName;
  if (FileExists(resolutions)) {
    if (std::optional<std::string> text = readWholeFile(resolutions))
      settings.ResolutionItems = resolutionEntries(*text);
  }
  settings.ResolutionText = "800x600";
}

// Normalised here, once, so that the window and a run without one both start from the values the
// options dialog would have stored.
std::string LoadSettings() {
  std::string path = ConfigFolder() + kSettingsFileName, damage;
  std::optional<std::string> text = FileExists(path) ? readWholeFile(path) : std::nullopt;
  if (text && !IsSettingsText(*text)) {
    damage =
        "the settings file " + path + " is damaged (it holds bytes that are not text); the defaults are used";
  } else if (text) {
    bool badRecord = false;
    int taken = ParseSettingsFile(*text, settings, &badRecord);
    if (badRecord)
      damage = "the settings file " + path + " is damaged (record " + std::to_string(taken + 1) +
               " cannot be read); that setting and those after it keep their defaults";
  }
  NormaliseSettings(settings);
  return damage;
}

bool SaveSettings() { return WriteConfigFile(kSettingsFileName, FormatSettingsFile(settings)); }

bool WriteConfigFile(const std::string& name, const std::string& text) {
  std::string folder = ConfigFolder();
  std::error_code error;
  fs::create_directories(folder, error);
  if (!FolderExists(folder)) return false;
  return replaceFileContents(folder, name, text);
}

std::optional<std::string> ReadConfigFile(const std::string& name) {
  std::string path = ConfigFolder() + name;
  if (!FileExists(path)) return std::nullopt;
  return readWholeFile(path);
}

}  // namespace lumivex
