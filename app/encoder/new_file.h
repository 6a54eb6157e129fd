// Writing a file that must not replace anything: the bytes go to a hidden temporary file in the
// destination folder, are flushed to the disk, and only then take the file's name, atomically and
// only if the name is still free. A failure at any step removes the temporary file, so neither a
// truncated file nor a leftover is ever seen under any name the user knows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lumivex {

// True when the folder holds an entry of that name of any kind: hidden files, folders and
// symbolic links (dangling ones too). A missing folder means no entry. Other lookup failures
// (no search permission, a name too long) raise std::system_error.
bool directoryEntryExists(const std::string& path);

enum class NewFileStatus { Written, AlreadyExists };

// Creates `path` holding exactly `bytes`. AlreadyExists when an entry of that name appeared in
// the meantime; it is left untouched. File-system failures (no folder, no access, disk full, file
// size limit) raise std::system_error with the system's error code, after cleaning up.
NewFileStatus writeNewFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace lumivex
