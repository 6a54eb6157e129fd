// Steps shared by the two ways of writing a new file (unnamed and named temporary files).
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "files/new_file.h"

namespace lumivex::new_file {

[[noreturn]] void raiseSystemError(int error, const std::string& what);

struct SplitPath {
  std::string folder;  // "." for a bare name
  std::string name;
};

SplitPath splitPath(const std::string& path);

// Random names for temporary files; each writer has its own generator.
std::mt19937_64 seededRandom();

// ".name.XXXXXX" beside the target, the name shortened so that the result stays a valid name.
std::string hiddenTemporaryName(const SplitPath& target, std::mt19937_64& random);

// Writes every byte to `fd`, and makes them durable unless the durability is Batched; raises,
// naming `target`, on a short or failed write.
void writeAllAndSync(int fd, const std::vector<std::uint8_t>& bytes, const std::string& target,
                     Durability durability = Durability::Now);

// A new name lives in the folder's entries; syncing the folder keeps it after a power loss.
void syncFolder(const std::string& folder);

// Moves `from` over `to` (rename replaces atomically); removes `from` and raises on failure.
void replaceWith(const std::string& from, const std::string& to);

// Owns a file descriptor: closed on every way out.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor();
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  // Closes now, raising when the close reports a write error for `target`.
  void close(const std::string& target);

 private:
  int fd_;
};

}  // namespace lumivex::new_file
