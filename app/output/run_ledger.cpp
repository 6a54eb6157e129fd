// Files are told apart by device and inode rather than by name: "./a.jpg", a hard link and a path
// through a symbolic link to a folder all name the one file a run must not replace.
#include "output/run_ledger.h"

#include <sys/stat.h>

namespace lumivex {

namespace {

std::optional<std::pair<dev_t, ino_t>> identityOf(const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return std::nullopt;
  return std::pair{status.st_dev, status.st_ino};
}

}  // namespace

void RunLedger::addSource(const std::string& path) {
  if (auto identity = identityOf(path)) sources_.insert(*identity);
}

void RunLedger::addWritten(const std::string& path) {
  if (auto identity = identityOf(path)) written_.insert(*identity);
}

void RunLedger::ended(std::int64_t ticket) {
  endedAhead_.insert(ticket);
  while (endedAhead_.erase(nextToName_) > 0) ++nextToName_;
}

bool RunLedger::contains(const std::set<FileIdentity>& files, const std::string& path) {
  auto identity = identityOf(path);
  return identity && files.count(*identity) > 0;
}

}  // namespace lumivex
