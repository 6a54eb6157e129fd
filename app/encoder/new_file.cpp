// New files by way of a hidden temporary file and a rename that refuses to replace.
#include "encoder/new_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <random>
#include <system_error>

namespace lumivex {

namespace {

[[noreturn]] void raiseSystemError(int error, const std::string& what) {
  throw std::system_error(error, std::generic_category(), what);
}

struct SplitPath {
  std::string folder;  // "." for a bare name
  std::string name;
};

SplitPath splitPath(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {".", path};
  return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

// ".name.XXXXXX" beside the target, shortened so that it stays a valid file name.
std::string temporaryName(const SplitPath& target, std::mt19937_64& random) {
  constexpr std::size_t kMaxStem = NAME_MAX - 8;  // "." + stem + "." + 6 characters
  static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::string name = "." + target.name.substr(0, kMaxStem) + ".";
  for (int i = 0; i < 6; ++i) name += kAlphabet[random() % (sizeof(kAlphabet) - 1)];
  return target.folder + "/" + name;
}

// The temporary file: open until closed, removed unless it was given its final name.
class TemporaryFile {
 public:
  explicit TemporaryFile(const SplitPath& target) {
    std::random_device seed;
    std::mt19937_64 random((std::uint64_t{seed()} << 32) ^ seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
      path_ = temporaryName(target, random);
      // Mode 0666 lets the process's umask decide the permissions, as for any new file.
      fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd_ >= 0) return;
      if (errno != EEXIST) raiseSystemError(errno, "cannot create a file in " + target.folder);
    }
    raiseSystemError(EEXIST, "cannot create a temporary file in " + target.folder);
  }
  ~TemporaryFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!published_) ::unlink(path_.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  const std::string& path() const { return path_; }

  // Writes everything and makes it durable; raises on a short or failed write.
  void writeAll(const std::vector<std::uint8_t>& bytes, const std::string& target) {
    std::size_t done = 0;
    while (done < bytes.size()) {
      ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) raiseSystemError(n < 0 ? errno : EIO, "cannot write " + target);
      done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd_) != 0) raiseSystemError(errno, "cannot write " + target);
    int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) raiseSystemError(errno, "cannot write " + target);
  }

  void markPublished() { published_ = true; }

 private:
  std::string path_;
  int fd_ = -1;
  bool published_ = false;
};

enum class Publish { Done, NameTaken, Unsupported };

// Gives the temporary file its name unless the name exists: renameat2 with RENAME_NOREPLACE where
// the file system has it, otherwise a hard link (which never replaces either) and an unlink.
Publish renameNoReplace(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return Publish::Done;
  if (errno == EEXIST) return Publish::NameTaken;
  if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
    raiseSystemError(errno, "cannot create " + to);
  return Publish::Unsupported;
}

Publish linkNoReplace(const std::string& from, const std::string& to) {
  if (::link(from.c_str(), to.c_str()) != 0) {
    if (errno == EEXIST) return Publish::NameTaken;
    raiseSystemError(errno, "cannot create " + to);
  }
  ::unlink(from.c_str());
  return Publish::Done;
}

// The new name lives in the folder's entries; syncing the folder keeps it after a power loss.
void syncFolder(const std::string& folder) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

bool directoryEntryExists(const std::string& path) {
  struct stat info;
  if (::lstat(path.c_str(), &info) == 0) return true;
  if (errno == ENOENT || errno == ENOTDIR) return false;
  raiseSystemError(errno, "cannot look up " + path);
}

NewFileStatus writeNewFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  const SplitPath target = splitPath(path);
  TemporaryFile temporary(target);
  temporary.writeAll(bytes, path);
  Publish result = renameNoReplace(temporary.path(), path);
  if (result == Publish::Unsupported) result = linkNoReplace(temporary.path(), path);
  if (result == Publish::NameTaken) return NewFileStatus::AlreadyExists;
  temporary.markPublished();
  syncFolder(target.folder);
  return NewFileStatus::Written;
}

}  // namespace lumivex
