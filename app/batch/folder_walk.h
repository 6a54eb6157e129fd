// The queue of images waiting for a run, and how images get into it: the extension filter, the
// folder walk with its per-level subfolder question, and the two kinds of drop.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lumivex {

// One queued image: its path, and the root folder of the drop or command-line item that found it
// (the base of the mirrored subfolder tree and of the %SUBDIR% tag).
struct QueuedFile {
  std::string Path;
  std::string BaseDir;
};

// The images waiting for a run, numbered from 1; count() is the highest number, 0 when empty.
// Appending keeps every earlier entry, so a run may read count() again while files are dropped.
class PendingFiles {
 public:
  std::int32_t count() const { return static_cast<std::int32_t>(slots_.size()) - 1; }
  const QueuedFile& at(std::int32_t index) const { return slots_.at(static_cast<std::size_t>(index)); }
  void append(QueuedFile file) { slots_.push_back(std::move(file)); }
  void reset() { slots_.resize(1); }
  // Removes entries 1..served, keeping the later ones numbered from 1 again.
  void removeServed(std::int32_t served);

 private:
  std::vector<QueuedFile> slots_{1};  // slot 0 is never used
};

// The extension filter: .jpeg, .jpg, .bmp, .gif, .hdp and .wdp in any letter case. The file is
// not opened.
bool IsSupportedImage(const std::string& name);

// The subfolder question asked for a folder that has subfolders.
std::string SubfolderQuestion(const std::string& folder);

// Walks one folder: queues its images with `baseDir` (the folder itself when empty), then, if it
// has subfolders and the user answers Yes to the subfolder question, walks each of them the same
// way, depth first in the order the file system lists them. A folder that cannot be listed adds
// nothing. A folder reached again through a link to one of its own ancestors is not walked again.
void AddFolder(const std::string& folder, const std::string& baseDir, PendingFiles& queue);

// A dropped file list: an existing, visible file is queued with its own folder as base when the
// filter accepts it; any other item is walked as a folder with itself as base.
void QueueDroppedFiles(const std::vector<std::string>& items, PendingFiles& queue);

// A dropped text: queued as it is when it names an existing file (no extension filter, no walk).
void QueueDroppedText(const std::string& text, PendingFiles& queue);

}  // namespace lumivex
