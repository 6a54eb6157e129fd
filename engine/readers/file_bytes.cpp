// The file is checked twice: a stat before anything is opened refuses folders, pipes and devices
// without touching them (opening a pipe for reading waits for a writer; opening some devices has
// effects), and an fstat of the opened descriptor closes the window in which the name could be
// swapped for something else. The open itself does not block, whatever the name turned into.
#include "readers/file_bytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace corvale {

namespace {

std::string notRegularReason(const struct stat& info) {
  if (S_ISDIR(info.st_mode)) return "is a folder";
  if (S_ISFIFO(info.st_mode)) return "is a pipe, not a file";
  if (S_ISSOCK(info.st_mode)) return "is a socket, not a file";
  if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode)) return "is a device, not a file";
  return "is not a regular file";
}

std::string errnoReason(const char* what, int error) {
  return std::string(what) + ": " + std::strerror(error);
}

// Reads exactly bytes.size() bytes; a file that shrank meanwhile is cut short.
std::string readAll(int fd, std::vector<std::uint8_t>& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errnoReason("cannot be read", errno);
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  bytes.resize(done);
  return {};
}

}  // namespace

FileBytes readFileBytes(const char* path, std::uint64_t limit) {
  FileBytes result;
  if (!path || !*path) return {{}, "has no name"};
  struct stat info {};
  if (::stat(path, &info) != 0) return {{}, errnoReason("cannot be opened", errno)};
  if (!S_ISREG(info.st_mode)) return {{}, notRegularReason(info)};
  int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return {{}, errnoReason("cannot be opened", errno)};
  if (::fstat(fd, &info) != 0)
    result.failure = errnoReason("cannot be read", errno);
  else if (!S_ISREG(info.st_mode))
    result.failure = notRegularReason(info);
  else if (static_cast<std::uint64_t>(info.st_size) > limit)
    result.failure = "is too large to read (" + std::to_string(info.st_size) + " bytes)";
  if (result.failure.empty()) {
    result.bytes.resize(static_cast<std::size_t>(info.st_size));
    result.failure = readAll(fd, result.bytes);
  }
  ::close(fd);
  if (!result.failure.empty()) result.bytes = {};
  return result;
}

std::string tooLargeForMemory(std::uint64_t width, std::uint64_t height) {
  return "is too large for memory (" + std::to_string(width) + " x " + std::to_string(height) + ")";
}

std::string tooShortForItsSize(std::uint64_t width, std::uint64_t height) {
  return "is too short for its size (" + std::to_string(width) + " x " + std::to_string(height) + ")";
}

}  // namespace corvale
