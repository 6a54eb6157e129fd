// Writing through a named hidden temporary file, then a rename: one that refuses to replace when
// the existing file is kept, a plain (atomic, replacing) rename otherwise.
#include "files/named_temporary_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <optional>

#include "files/new_file_steps.h"
#include "files/temporary_file_cleanup.h"

namespace lumivex::new_file {

namespace {

// The temporary file: open until closed, listed for the signal cleanup, and removed unless it
// was given its final name.
class TemporaryFile {
 public:
  explicit TemporaryFile(const SplitPath& target) {
    installTemporaryFileCleanup();
    std::mt19937_64 random = seededRandom();
    for (int attempt = 0; attempt < 100; ++attempt) {
      path_ = hiddenTemporaryName(target, random);
      // Mode 0666 lets the process's umask decide the permissions, as for any new file.
      int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd >= 0) {
        fd_.emplace(fd);
        // Listed only once it is ours: a name taken by someone else must never be removed.
        listed_.emplace(path_);
        return;
      }
      if (errno != EEXIST) raiseSystemError(errno, "cannot create a file in " + target.folder);
    }
    raiseSystemError(EEXIST, "cannot create a temporary file in " + target.folder);
  }
  ~TemporaryFile() {
    fd_.reset();
    if (!published_) ::unlink(path_.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  const std::string& path() const { return path_; }

  void writeAll(const std::vector<std::uint8_t>& bytes, const std::string& target, Durability durability) {
    writeAllAndSync(fd_->get(), bytes, target, durability);
    fd_->close(target);
  }

  void markPublished() { published_ = true; }

 private:
  std::string path_;
  std::optional<ListedTemporaryFile> listed_;  // unlisted only after the destructor's unlink
  std::optional<FileDescriptor> fd_;
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

}  // namespace

NewFileStatus writeThroughNamedFile(const std::string& path, const std::vector<std::uint8_t>& bytes,
                                    ExistingFile existing, Durability durability) {
  if (existing == ExistingFile::Replace) durability = Durability::Now;  // the old file is at stake
  const SplitPath target = splitPath(path);
  TemporaryFile temporary(target);
  temporary.writeAll(bytes, path, durability);
  if (existing == ExistingFile::Replace) {
    replaceWith(temporary.path(), path);
  } else {
    Publish result = renameNoReplace(temporary.path(), path);
    if (result == Publish::Unsupported) result = linkNoReplace(temporary.path(), path);
    if (result == Publish::NameTaken) return NewFileStatus::AlreadyExists;
  }
  temporary.markPublished();
  if (durability == Durability::Now) syncFolder(target.folder);
  return NewFileStatus::Written;
}

}  // namespace lumivex::new_file
