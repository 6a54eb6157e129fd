// New files: the unnamed way where the file system has it, the named way elsewhere.
#include "encoder/new_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <optional>

#include "encoder/named_temporary_file.h"
#include "encoder/new_file_steps.h"
#include "encoder/unnamed_temporary_file.h"

namespace lumivex {

bool directoryEntryExists(const std::string& path) {
  struct stat info;
  if (::lstat(path.c_str(), &info) == 0) return true;
  if (errno == ENOENT || errno == ENOTDIR) return false;
  new_file::raiseSystemError(errno, "cannot look up " + path);
}

void requireReplaceable(const std::string& path) {
  struct stat info;
  if (::lstat(path.c_str(), &info) != 0) {
    if (errno == ENOENT) return;
    new_file::raiseSystemError(errno, "cannot look up " + path);
  }
  if (S_ISREG(info.st_mode)) return;
  if (S_ISDIR(info.st_mode)) new_file::raiseSystemError(EISDIR, "cannot replace the folder " + path);
  const char* kind = S_ISLNK(info.st_mode) ? "the symbolic link " : "the special file ";
  new_file::raiseSystemError(EEXIST, std::string("cannot replace ") + kind + path);
}

NewFileStatus writeNewFile(const std::string& path, const std::vector<std::uint8_t>& bytes,
                           ExistingFile existing) {
  if (existing == ExistingFile::Replace) requireReplaceable(path);
  if (std::optional<NewFileStatus> status = new_file::writeThroughUnnamedFile(path, bytes, existing))
    return *status;
  return new_file::writeThroughNamedFile(path, bytes, existing);
}

}  // namespace lumivex
