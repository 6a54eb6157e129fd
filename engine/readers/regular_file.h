// The one way a source file is opened, by the engine's readers and by the program's metadata pass
// alike: for reading, without blocking (a pipe named like a photo would otherwise wait for a
// writer, and some devices act on being opened), and kept only when the opened descriptor is a
// regular file, so a name swapped for something else meanwhile is caught. Header only, like the
// byte cursor, so that the program uses the same code without linking the engine.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace corvale {

struct RegularFile {
  int fd = -1;          // open on a regular file, or -1
  int error = 0;        // when fd is -1: the system's error, or 0 when the name is no regular file
  struct stat info {};  // what fstat said of it (its kind when it is no regular file)
};

inline RegularFile openRegularFile(const char* path) {
  RegularFile file;
  int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    file.error = errno;
    return file;
  }
  if (::fstat(fd, &file.info) != 0) {
    file.error = errno;
  } else if (S_ISREG(file.info.st_mode)) {
    file.fd = fd;
    return file;
  }
  ::close(fd);
  return file;
}

}  // namespace corvale
