// The folder walk, the extension filter, the two kinds of drop and the queue they fill.
#include "input/folder_walk.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "formats/format_table.h"
#include "input/natural_order.h"
#include "input/own_output_folders.h"
#include "settings/settings.h"
#include "utilities/user_prompts.h"
#include "utilities/utilities.h"

namespace lumivex {

namespace fs = std::filesystem;

namespace {

bool endsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Canonical forms of the folders on the way from the walk's root to the current folder: a link
// back to one of them would otherwise make the walk endless.
using AncestorChain = std::vector<fs::path>;

// What one walk needs to know besides the folder at hand.
struct Walk {
  std::string baseDir;
  OwnOutputFolders ownOutputs;
  PendingFiles& queue;
  AncestorChain ancestors;
};

struct FolderListing {
  std::vector<std::string> images;
  std::vector<std::string> subfolders;
  std::error_code error;  // why the folder could not be read (to its end)
};

enum class EntryKind { Folder, File, Other };

// Follows links; nothing is opened. The type the listing gave is used where it is known, so a
// folder that can be listed but not entered still queues its images, which then fail with their
// reason. A link to nothing counts as a file: the run names it as a photo it cannot open, where
// skipping it would hide it.
EntryKind kindOf(const fs::directory_entry& entry) {
  std::error_code error;
  if (entry.is_directory(error)) return EntryKind::Folder;
  if (entry.is_regular_file(error)) return EntryKind::File;
  if (entry.is_symlink(error) && !entry.exists(error)) return EntryKind::File;
  return EntryKind::Other;
}

FolderListing listFolder(const std::string& folder, const OwnOutputFolders& ownOutputs) {
  FolderListing listing;
  fs::directory_iterator it(folder + "/", listing.error), end;
  for (; !listing.error && it != end; it.increment(listing.error)) {
    std::string name = it->path().filename().string();
    if (name.starts_with(".")) continue;
    std::string path = folder + "/" + name;
    EntryKind kind = kindOf(*it);
    if (kind == EntryKind::Folder && !ownOutputs.contains(path, name))
      listing.subfolders.push_back(path);
    else if (kind == EntryKind::File && IsSupportedImage(name))
      listing.images.push_back(path);
  }
  SortNaturally(listing.images);
  SortNaturally(listing.subfolders);
  return listing;
}

// A root that names no folder at all is the caller's to report (it was never a folder to read).
bool isReadProblem(const std::error_code& error, bool root) {
  if (!error) return false;
  return !root || (error != std::errc::not_a_directory && error != std::errc::no_such_file_or_directory);
}

void walkFolder(const std::string& folder, Walk& walk, bool root) {
  std::error_code error;
  fs::path canonical = fs::canonical(folder.empty() ? "/" : folder, error);
  if (!error && std::find(walk.ancestors.begin(), walk.ancestors.end(), canonical) != walk.ancestors.end())
    return;

  FolderListing listing = listFolder(folder, walk.ownOutputs);
  if (isReadProblem(listing.error, root))
    walk.queue.addProblem({folder.empty() ? "/" : folder, listing.error.message()});
  for (const std::string& image : listing.images) walk.queue.append({image, walk.baseDir});
  if (listing.subfolders.empty() || !userPrompts().askAboutSubfolders(folder)) return;

  walk.ancestors.push_back(canonical);
  for (const std::string& subfolder : listing.subfolders) walkFolder(subfolder, walk, false);
  walk.ancestors.pop_back();
}

}  // namespace

void PendingFiles::removeServed(std::int32_t served) {
  std::size_t last = std::min(static_cast<std::size_t>(std::max(served, 0)), slots_.size() - 1);
  slots_.erase(slots_.begin() + 1, slots_.begin() + 1 + static_cast<std::ptrdiff_t>(last));
}

bool IsSupportedImage(const std::string& name) {
  return name.size() >= 3 && corvale::formatOfName(name) != nullptr;
}

std::vector<WalkProblem> PendingFiles::takeProblems() {
  std::vector<WalkProblem> taken;
  taken.swap(problems_);
  return taken;
}

std::string WalkProblemText(const WalkProblem& problem) {
  return "Could not read folder " + problem.path + ": " + problem.reason;
}

void AddFolder(const std::string& folder, const std::string& baseDir, PendingFiles& queue) {
  std::string root = endsWith(folder, "/") ? folder.substr(0, folder.size() - 1) : folder;
  std::string base = baseDir.empty() ? root : baseDir;
  Walk walk{base, OwnOutputFolders(settings, base), queue, {}};
  walkFolder(root, walk, true);
}

void QueueDroppedFiles(const std::vector<std::string>& items, PendingFiles& queue) {
  for (const std::string& item : items) {
    if (!FileExists(item)) {
      AddFolder(item, "", queue);
    } else if (IsSupportedImage(item)) {
      queue.append({item, FolderOf(item)});
    }
  }
}

void QueueDroppedText(const std::string& text, PendingFiles& queue) {
  if (FileExists(text)) queue.append({text, FolderOf(text)});
}

}  // namespace lumivex
