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

// A folder the walk could not read, and the system's reason (strerror's text).
struct WalkProblem {
  std::string path;
  std::string reason;
};

// The images waiting for a run, numbered from 1; count() is the highest number, 0 when empty.
// Appending keeps every earlier entry, so a run may read count() again while files are dropped.
// Beside the images it keeps the folders that a walk could not read, until the front end that
// started the walk takes them to tell the user; reset() leaves those alone.
class PendingFiles {
 public:
  std::int32_t count() const { return static_cast<std::int32_t>(slots_.size()) - 1; }
  const QueuedFile& at(std::int32_t index) const { return slots_.at(static_cast<std::size_t>(index)); }
  void append(QueuedFile file) { slots_.push_back(std::move(file)); }
  void reset() { slots_.resize(1); }
  // Removes entries 1..served, keeping the later ones numbered from 1 again.
  void removeServed(std::int32_t served);

  void addProblem(WalkProblem problem) { problems_.push_back(std::move(problem)); }
  const std::vector<WalkProblem>& problems() const { return problems_; }
  // The problems recorded so far, in the order met; the list is empty afterwards.
  std::vector<WalkProblem> takeProblems();

 private:
  std::vector<QueuedFile> slots_{1};  // slot 0 is never used
  std::vector<WalkProblem> problems_;
};

// "Could not read folder PATH: REASON", the line both front ends show for a problem.
std::string WalkProblemText(const WalkProblem& problem);

// The extension filter: .jpeg, .jpg, .bmp, .gif, .hdp and .wdp in any letter case. The file is
// not opened.
bool IsSupportedImage(const std::string& name);

// Walks one folder: queues its images with `baseDir` (the folder itself when empty), then, if it
// has subfolders and the user answers Yes to the subfolder question, walks each of them the same
// way, depth first. Files and subfolders come in natural name order (natural_order.h).
// Never walked or queued: names starting with "." (hidden), entries that are neither folders nor
// regular files (a FIFO named x.jpg would block the run that opens it; a link to nothing is
// queued, so that the run names it as a photo it cannot open), the run's own destination
// folders met below the root (own_output_folders.h), and a folder reached again through a link to
// one of its own ancestors. Files are never opened here. The question is asked only when a
// subfolder is left after these rules. A folder that exists but cannot be read (the root, or one
// met in the walk) adds a WalkProblem to the queue; a root that is no folder at all adds nothing.
void AddFolder(const std::string& folder, const std::string& baseDir, PendingFiles& queue);

// A dropped file list: an existing regular file (hidden ones too: the user named it) is queued
// with its own folder as base when the filter accepts it; any other item is walked as a folder
// with itself as base.
void QueueDroppedFiles(const std::vector<std::string>& items, PendingFiles& queue);

// A dropped text: queued as it is when it names an existing file (no extension filter, no walk).
void QueueDroppedText(const std::string& text, PendingFiles& queue);

}  // namespace lumivex
