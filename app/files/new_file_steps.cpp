// Steps shared by the two ways of writing a new file.
#include "files/new_file_steps.h"

#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <system_error>

namespace lumivex::new_file {

void raiseSystemError(int error, const std::string& what) {
  throw std::system_error(error, std::generic_category(), what);
}

SplitPath splitPath(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {".", path};
  return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

std::mt19937_64 seededRandom() {
  std::random_device seed;
  return std::mt19937_64((std::uint64_t{seed()} << 32) ^ seed());
}

std::string hiddenTemporaryName(const SplitPath& target, std::mt19937_64& random) {
  constexpr std::size_t kMaxStem = NAME_MAX - 8;  // "." + stem + "." + 6 characters
  static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::string name = "." + target.name.substr(0, kMaxStem) + ".";
  for (int i = 0; i < 6; ++i) name += kAlphabet[random() % (sizeof(kAlphabet) - 1)];
  return target.folder + "/" + name;
}

void writeAllAndSync(int fd, const std::vector<std::uint8_t>& bytes, const std::string& target,
                     Durability durability) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) raiseSystemError(n < 0 ? errno : EIO, "cannot write " + target);
    done += static_cast<std::size_t>(n);
  }
  if (durability == Durability::Now && ::fsync(fd) != 0) raiseSystemError(errno, "cannot write " + target);
}

void syncFolder(const std::string& folder) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

void replaceWith(const std::string& from, const std::string& to) {
  if (::rename(from.c_str(), to.c_str()) == 0) return;
  int error = errno;
  ::unlink(from.c_str());
  raiseSystemError(error, "cannot replace " + to);
}

FileDescriptor::~FileDescriptor() {
  if (fd_ >= 0) ::close(fd_);
}

void FileDescriptor::close(const std::string& target) {
  int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) raiseSystemError(errno, "cannot write " + target);
}

}  // namespace lumivex::new_file
