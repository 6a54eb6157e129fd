// What one batch run has read and written, shared by its photo jobs on the batch's thread: the
// files it reads (a run never replaces one of its own sources), the files it wrote (never
// "existing" to the same run, so two photos of one output name cannot silently become one), the
// standing answer of "Yes to All" or "No to All", and whether the user cancelled the run.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <utility>

namespace lumivex {

class RunLedger {
 public:
  // Records the file `path` names (by device and inode, so that links and other spellings of the
  // same file are caught); a path that names nothing is ignored.
  void addSource(const std::string& path);
  void addWritten(const std::string& path);

  bool isSource(const std::string& path) const { return contains(sources_, path); }
  bool wroteItself(const std::string& path) const { return contains(written_, path); }

  // Photos choose their names in the order they were started, so that counters follow the queue
  // (which follows the file names) whichever photo's work is done first: each start takes a
  // ticket, and a photo may choose its name once every earlier ticket has ended.
  std::int64_t issueTicket() { return nextTicket_++; }
  bool mayName(std::int64_t ticket) const { return ticket == nextToName_; }
  void ended(std::int64_t ticket);

  // The folders that hold files written since the last flush (encoder/new_file.h, FlushFolders).
  std::set<std::string> foldersToFlush;

  std::optional<bool> overwriteAll;  // set by "Yes to All" (true) or "No to All" (false)
  std::int32_t fileCounter = 1;      // the value of the name pattern's counter tags, from 1 each run
  bool cancelled = false;

 private:
  using FileIdentity = std::pair<dev_t, ino_t>;
  static bool contains(const std::set<FileIdentity>& files, const std::string& path);
  std::set<FileIdentity> sources_;
  std::set<FileIdentity> written_;
  std::int64_t nextTicket_ = 0;
  std::int64_t nextToName_ = 0;
  std::set<std::int64_t> endedAhead_;  // tickets that ended before an earlier one
};

}  // namespace lumivex
