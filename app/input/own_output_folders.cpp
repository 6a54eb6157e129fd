// Recognising a run's own destination folders during a folder walk, by name or canonical path.
#include "input/own_output_folders.h"

#include <string_view>
#include <system_error>

#include "output/destination_folder.h"
#include "utilities/utilities.h"

namespace lumivex {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kSizeTags[] = {"%WIDTH%", "%HEIGHT%"};

bool hasSizeTag(const std::string& text) {
  for (std::string_view tag : kSizeTags)
    if (text.find(tag) != std::string::npos) return true;
  return false;
}

// Backtracking over the digit runs; names are short, so the cost does not matter.
bool matchFrom(std::string_view pattern, std::string_view name) {
  if (pattern.empty()) return name.empty();
  for (std::string_view tag : kSizeTags) {
    if (!pattern.starts_with(tag)) continue;
    for (std::size_t digits = 1; digits <= name.size() && name[digits - 1] >= '0' && name[digits - 1] <= '9';
         ++digits)
      if (matchFrom(pattern.substr(tag.size()), name.substr(digits))) return true;
    return false;
  }
  return !name.empty() && name[0] == pattern[0] && matchFrom(pattern.substr(1), name.substr(1));
}

// The subfolder is created inside the base folder, so only its first level is ever met by a walk
// of that base folder; "." and ".." name no folder of their own.
std::string firstComponent(const std::string& subfolder) {
  std::size_t start = 0;
  while (start <= subfolder.size()) {
    std::size_t end = subfolder.find('/', start);
    if (end == std::string::npos) end = subfolder.size();
    std::string component = subfolder.substr(start, end - start);
    if (component == "..") return "";
    if (!component.empty() && component != ".") return component;
    start = end + 1;
  }
  return "";
}

std::string replaceAll(std::string text, const std::string& tag, const std::string& value) {
  for (std::size_t at = 0; (at = text.find(tag, at)) != std::string::npos; at += value.size())
    text.replace(at, tag.size(), value);
  return text;
}

std::string baseFolderName(std::string baseDir) {
  while (baseDir.size() > 1 && baseDir.back() == '/') baseDir.pop_back();
  return FileNameOf(baseDir);
}

fs::path canonicalOrNothing(const fs::path& path) {
  std::error_code error;
  fs::path canonical = fs::weakly_canonical(path, error);
  return error ? fs::path() : canonical;
}

}  // namespace

bool MatchesSizeTagPattern(const std::string& pattern, const std::string& name) {
  return matchFrom(pattern, name);
}

OwnOutputFolders::OwnOutputFolders(const Settings& values, const std::string& baseDir) {
  if (values.DestinationMode == DestinationMode::Subfolder)
    subfolderPattern_ = firstComponent(values.SubfolderName);
  if (values.DestinationMode == DestinationMode::FixedFolder)
    setFixedFolder(replaceAll(values.FixedFolder, "%SUBDIR%", baseFolderName(baseDir)));
}

// The known part of the path (up to the first level with a size tag) is made canonical once; the
// level with the tag becomes a name pattern inside it. Levels below it lie inside that folder.
void OwnOutputFolders::setFixedFolder(const std::string& folder) {
  if (folder.empty()) return;
  std::error_code error;
  fs::path absolute = fs::absolute(folder, error).lexically_normal();
  if (error) return;
  fs::path known = absolute.root_path();
  for (const fs::path& level : absolute.relative_path()) {
    std::string name = level.string();
    if (name.empty()) continue;
    if (hasSizeTag(name)) {
      fixedParent_ = canonicalOrNothing(known);
      fixedPattern_ = fixedParent_.empty() ? "" : name;
      return;
    }
    known /= level;
  }
  fixedCanonical_ = canonicalOrNothing(known);
}

bool OwnOutputFolders::contains(const fs::path& path, const std::string& name) const {
  if (!subfolderPattern_.empty() && MatchesSizeTagPattern(subfolderPattern_, name)) return true;
  if (fixedCanonical_.empty() && fixedPattern_.empty()) return false;
  std::error_code error;
  fs::path canonical = fs::canonical(path, error);
  if (error) return false;
  if (!fixedCanonical_.empty() && canonical == fixedCanonical_) return true;
  return !fixedPattern_.empty() && canonical.parent_path() == fixedParent_ &&
         MatchesSizeTagPattern(fixedPattern_, canonical.filename().string());
}

}  // namespace lumivex
