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

#include "readers/regular_file.h"

namespace corvale {

namespace {

LoadOutcome notRegularReason(const struct stat& info) {
  const char* what = "is not a regular file";
  if (S_ISDIR(info.st_mode))
    what = "is a folder";
  else if (S_ISFIFO(info.st_mode))
    what = "is a pipe, not a file";
  else if (S_ISSOCK(info.st_mode))
    what = "is a socket, not a file";
  else if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode))
    what = "is a device, not a file";
  return {LoadCause::kNotAFile, what};
}

LoadOutcome errnoReason(const char* what, int error) {
  return {LoadCause::kIoError, std::string(what) + ": " + std::strerror(error)};
}

// Reads exactly bytes.size() bytes; a file that shrank meanwhile is cut short.
LoadOutcome readAll(int fd, std::vector<std::uint8_t>& bytes) {
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
  if (!path || !*path) return {{}, {LoadCause::kNoName, "has no name"}};
  struct stat info {};
  if (::stat(path, &info) != 0) return {{}, errnoReason("cannot be opened", errno)};
  if (!S_ISREG(info.st_mode)) return {{}, notRegularReason(info)};
  RegularFile file = openRegularFile(path);
  if (file.fd < 0 && file.error != 0) return {{}, errnoReason("cannot be opened", file.error)};
  if (file.fd < 0) return {{}, notRegularReason(file.info)};
  const int fd = file.fd;
  info = file.info;
  if (static_cast<std::uint64_t>(info.st_size) > limit)
    result.failure = {LoadCause::kTooLargeForMemory,
                      "is too large to read (" + std::to_string(info.st_size) + " bytes)"};
  if (result.failure.clean()) {
    result.bytes.resize(static_cast<std::size_t>(info.st_size));
    result.failure = readAll(fd, result.bytes);
  }
  ::close(fd);
  if (!result.failure.clean()) result.bytes = {};
  return result;
}

LoadOutcome tooLargeForMemory(std::uint64_t width, std::uint64_t height) {
  return {LoadCause::kTooLargeForMemory,
          "is too large for memory (" + std::to_string(width) + " x " + std::to_string(height) + ")"};
}

LoadOutcome tooShortForItsSize(std::uint64_t width, std::uint64_t height) {
  return {LoadCause::kTooLargeForItsFile,
          "is too short for its size (" + std::to_string(width) + " x " + std::to_string(height) + ")"};
}

}  // namespace corvale
