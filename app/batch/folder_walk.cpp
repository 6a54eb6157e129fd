#include "batch/folder_walk.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "batch/user_prompts.h"
#include "batch/utilities.h"

namespace lumivex {

namespace fs = std::filesystem;

namespace {

bool endsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Canonical forms of the folders on the way from the walk's root to the current folder: a link
// back to one of them would otherwise make the walk endless.
using AncestorChain = std::vector<fs::path>;

struct FolderListing {
  std::vector<std::string> images;
  std::vector<std::string> subfolders;
};

FolderListing listFolder(const std::string& folder) {
  FolderListing listing;
  std::error_code error;
  fs::directory_iterator it(folder + "/", error), end;
  for (; !error && it != end; it.increment(error)) {
    std::string name = it->path().filename().string();
    std::string path = folder + "/" + name;
    std::error_code kindError;
    if (it->is_directory(kindError))
      listing.subfolders.push_back(path);
    else if (IsSupportedImage(name))
      listing.images.push_back(path);
  }
  return listing;
}

void walkFolder(std::string folder, std::string baseDir, PendingFiles& queue, AncestorChain& ancestors) {
  if (endsWith(folder, "/")) folder.pop_back();
  if (baseDir.empty()) baseDir = folder;

  std::error_code error;
  fs::path canonical = fs::canonical(folder.empty() ? "/" : folder, error);
  if (!error && std::find(ancestors.begin(), ancestors.end(), canonical) != ancestors.end()) return;

  FolderListing listing = listFolder(folder);
  for (const std::string& image : listing.images) queue.append({image, baseDir});
  if (listing.subfolders.empty() || !userPrompts().askYesNo(SubfolderQuestion(folder))) return;

  ancestors.push_back(canonical);
  for (const std::string& subfolder : listing.subfolders) walkFolder(subfolder, baseDir, queue, ancestors);
  ancestors.pop_back();
}

bool isVisibleFile(const std::string& path) {
  std::error_code error;
  return fs::is_regular_file(path, error) && !FileNameOf(path).starts_with(".");
}

}  // namespace

void PendingFiles::removeServed(std::int32_t served) {
  std::size_t last = std::min(static_cast<std::size_t>(std::max(served, 0)), slots_.size() - 1);
  slots_.erase(slots_.begin() + 1, slots_.begin() + 1 + static_cast<std::ptrdiff_t>(last));
}

bool IsSupportedImage(const std::string& name) {
  if (name.size() < 3) return false;
  std::string lower = name;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  for (const char* extension : {".jpeg", ".jpg", ".bmp", ".gif", ".hdp", ".wdp", ".png", ".webp", ".tif",
                                ".tiff", ".heic", ".heif", ".avif"})
    if (endsWith(lower, extension)) return true;
  return false;
}

std::string SubfolderQuestion(const std::string& folder) {
  return "Do you want to process subfolders of \n" + folder + "\n as well?";
}

void AddFolder(const std::string& folder, const std::string& baseDir, PendingFiles& queue) {
  AncestorChain ancestors;
  walkFolder(folder, baseDir, queue, ancestors);
}

void QueueDroppedFiles(const std::vector<std::string>& items, PendingFiles& queue) {
  for (const std::string& item : items) {
    if (!isVisibleFile(item)) {
      AddFolder(item, "", queue);
    } else if (IsSupportedImage(item) && FileExists(item)) {
      queue.append({item, FolderOf(item)});
    }
  }
}

void QueueDroppedText(const std::string& text, PendingFiles& queue) {
  if (FileExists(text)) queue.append({text, FolderOf(text)});
}

}  // namespace lumivex
