// New files: the unnamed way where the file system has it, the named way elsewhere.
#include "files/new_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

#include "files/named_temporary_file.h"
#include "files/new_file_steps.h"
#include "files/unnamed_temporary_file.h"

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
                           ExistingFile existing, Durability durability) {
  if (existing == ExistingFile::Replace) requireReplaceable(path);
  if (std::optional<NewFileStatus> status =
          new_file::writeThroughUnnamedFile(path, bytes, existing, durability))
    return *status;
  return new_file::writeThroughNamedFile(path, bytes, existing, durability);
}

bool FlushFolders(const std::set<std::string>& folders) {
  bool flushed = true;
  std::set<dev_t> fileSystemsDone;
  for (const std::string& folder : folders) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) continue;  // gone meanwhile: nothing of ours left to flush there
    struct stat info;
    if (::fstat(fd, &info) == 0 && fileSystemsDone.insert(info.st_dev).second && ::syncfs(fd) != 0)
      flushed = false;
    if (::fsync(fd) != 0 && errno != EINVAL) flushed = false;
    ::close(fd);
  }
  return flushed;
}

}  // namespace lumivex
