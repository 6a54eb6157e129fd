// The destination folder of a photo for each destination mode, and its creation level by level.
#include "output/destination_folder.h"

#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "settings/settings.h"
#include "utilities/utilities.h"

namespace lumivex {

namespace {

std::string replaceAll(std::string text, const std::string& tag, const std::string& value) {
  for (std::size_t at = 0; (at = text.find(tag, at)) != std::string::npos; at += value.size())
    text.replace(at, tag.size(), value);
  return text;
}

std::string withSizeTags(const std::string& name, PictureSize target) {
  return replaceAll(replaceAll(name, "%WIDTH%", std::to_string(target.width)), "%HEIGHT%",
                    std::to_string(target.height));
}

bool endsWithSlash(const std::string& text) { return !text.empty() && text.back() == '/'; }

// The photo's folder below the base folder mirrored inside the subfolder.
std::string mirroredSubfolder(const std::string& sourcePath, std::string& baseDir, PictureSize target) {
  std::string subfolder = withSizeTags(settings.SubfolderName, target);
  if (!endsWithSlash(baseDir)) baseDir += '/';
  std::string sourceFolder = FolderOf(sourcePath);
  std::string relative = sourceFolder.size() > baseDir.size() ? sourceFolder.substr(baseDir.size()) : "";
  std::string folder = baseDir + subfolder + "/" + relative;
  if (endsWithSlash(folder)) folder.pop_back();
  return folder + "/";
}

std::string fixedFolder(std::string& baseDir, PictureSize target) {
  std::string fixed = settings.FixedFolder;  // trimmed for this photo; the setting stays as typed
  if (endsWithSlash(fixed)) fixed.pop_back();
  std::string folder = withSizeTags(fixed, target);
  if (endsWithSlash(baseDir)) baseDir.pop_back();
  return replaceAll(folder, "%SUBDIR%", FileNameOf(baseDir)) + "/";
}

}  // namespace

std::optional<std::string> DestinationFolderFor(const std::string& sourcePath, std::string& baseDir,
                                                PictureSize target) {
  switch (settings.DestinationMode) {
    case DestinationMode::SourceFolder:
      return FolderOf(sourcePath);
    case DestinationMode::Subfolder:
      return mirroredSubfolder(sourcePath, baseDir, target);
    case DestinationMode::FixedFolder:
      return fixedFolder(baseDir, target);
    default:
      return std::nullopt;
  }
}

void CreateDestinationFolder(const std::string& folder) {
  std::string path = folder;
  while (path.size() > 1 && endsWithSlash(path)) path.pop_back();
  if (path.empty() || FolderExists(path)) return;
  std::error_code error;
  std::filesystem::create_directories(path, error);
  if (error) throw std::runtime_error("cannot create the folder " + path + " (" + error.message() + ")");
}

}  // namespace lumivex
