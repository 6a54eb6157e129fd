// Removal of named temporary files when SIGINT or SIGTERM ends the process in the middle of a
// write, so that an interrupted run leaves no hidden ".NAME.XXXXXX" files in its destination.
// (SIGKILL cannot be caught; unnamed temporary files need no cleanup at all.)
#pragma once

#include <string>

namespace lumivex::new_file {

// Installs the handler, once per process, for each of SIGINT and SIGTERM whose disposition is
// still the default: a program that handles or ignores a signal itself keeps its own way (it may
// stop gracefully and let the writes in progress finish). The handler removes the listed files,
// then ends the process by the signal's default action.
void installTemporaryFileCleanup();

// Lists a temporary file for removal by that handler for the object's lifetime. A path too long
// for a slot, or a write beyond the number of slots, is not listed (the write goes on unprotected).
class ListedTemporaryFile {
 public:
  explicit ListedTemporaryFile(const std::string& path);
  ~ListedTemporaryFile();
  ListedTemporaryFile(const ListedTemporaryFile&) = delete;
  ListedTemporaryFile& operator=(const ListedTemporaryFile&) = delete;

 private:
  int slot_;
};

}  // namespace lumivex::new_file
