// An unnamed file is made in the destination folder, filled and flushed, and then linked to its
// name through /proc/self/fd. A link never replaces an entry, which is exactly what keeping an
// existing file needs; to replace one, the file is linked to a hidden name first and renamed over
// the old file, so that the name holds the old file or the new one at every moment.
#include "files/unnamed_temporary_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>

#include "files/new_file_steps.h"

namespace lumivex::new_file {

namespace {

// The permissions a plain creat would give: an unnamed file takes its mode from open's argument,
// and older kernels do not apply the umask to it. /proc tells the umask without changing it (a
// umask(2) round trip would race with other threads creating files); without /proc there is no
// /proc/self/fd to link through either, so the named way is taken.
std::optional<mode_t> newFileMode() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("Umask:", 0) != 0) continue;
    try {
      return static_cast<mode_t>(0666 & ~std::stoul(line.substr(6), nullptr, 8));
    } catch (const std::exception&) {
      return std::nullopt;
    }
  }
  return std::nullopt;
}

// Errors by which open says that it cannot make an unnamed file here: a kernel without O_TMPFILE
// sees a folder opened for writing (EISDIR), a file system without it says EOPNOTSUPP.
bool unsupported(int error) {
  return error == EOPNOTSUPP || error == EISDIR || error == EINVAL || error == ENOSYS;
}

std::string procPathOf(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

// 0 or the errno of linkat; AT_SYMLINK_FOLLOW makes the /proc link stand for the open file.
int linkUnnamed(int fd, const std::string& name) {
  return ::linkat(AT_FDCWD, procPathOf(fd).c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0 ? 0
                                                                                                    : errno;
}

NewFileStatus linkNoReplace(int fd, const std::string& path) {
  int error = linkUnnamed(fd, path);
  if (error == EEXIST) return NewFileStatus::AlreadyExists;
  if (error != 0) raiseSystemError(error, "cannot create " + path);
  return NewFileStatus::Written;
}

NewFileStatus linkAndReplace(int fd, const SplitPath& target, const std::string& path) {
  std::mt19937_64 random = seededRandom();
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string hidden = hiddenTemporaryName(target, random);
    int error = linkUnnamed(fd, hidden);
    if (error == EEXIST) continue;
    if (error != 0) raiseSystemError(error, "cannot create a file in " + target.folder);
    replaceWith(hidden, path);
    return NewFileStatus::Written;
  }
  raiseSystemError(EEXIST, "cannot create a temporary file in " + target.folder);
}

}  // namespace

std::optional<NewFileStatus> writeThroughUnnamedFile(const std::string& path,
                                                     const std::vector<std::uint8_t>& bytes,
                                                     ExistingFile existing, Durability durability) {
  std::optional<mode_t> mode = newFileMode();
  if (!mode) return std::nullopt;
  if (existing == ExistingFile::Replace) durability = Durability::Now;  // the old file is at stake
  const SplitPath target = splitPath(path);
  FileDescriptor file(::open(target.folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, *mode));
  if (file.get() < 0) {
    if (unsupported(errno)) return std::nullopt;
    raiseSystemError(errno, "cannot create a file in " + target.folder);
  }
  writeAllAndSync(file.get(), bytes, path, durability);
  NewFileStatus status = existing == ExistingFile::Replace ? linkAndReplace(file.get(), target, path)
                                                           : linkNoReplace(file.get(), path);
  if (status != NewFileStatus::Written) return status;
  if (durability == Durability::Now) {
    // The descriptor closes on the way out without a check: its bytes were flushed before the
    // link, so a late close error could not make the file less complete.
    syncFolder(target.folder);
    return status;
  }
  // Not flushed yet: a file system that reports a write error only at close must not leave an
  // incomplete file under the name.
  try {
    file.close(path);
  } catch (...) {
    ::unlink(path.c_str());
    throw;
  }
  return status;
}

}  // namespace lumivex::new_file
