// Writing a file so that no reader ever sees it half written: the bytes go to a temporary file in
// the destination folder, are flushed to the disk, and only then take the file's name in one
// atomic step. Where the file system has unnamed temporary files (O_TMPFILE) the file has no name
// at all until it is complete, so even a process killed mid-write leaves nothing behind; elsewhere
// a hidden ".NAME.XXXXXX" file is used and removed on failure, on SIGINT and on SIGTERM.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace lumivex {

// True when the folder holds an entry of that name of any kind: hidden files, folders and
// symbolic links (dangling ones too). A missing folder means no entry. Other lookup failures
// (no search permission, a name too long) raise std::system_error.
bool directoryEntryExists(const std::string& path);

// What becomes of an entry that already holds the name: Keep never touches it; Replace swaps a
// regular file for the new one atomically, so that readers see the old file or the new one and a
// failed write (a full disk) leaves the old file as it was.
enum class ExistingFile { Keep, Replace };

enum class NewFileStatus { Written, AlreadyExists };

// When a new file reaches the disk. Now: its bytes are flushed before it takes its name, and its
// folder after. Batched: it takes its name as soon as its bytes are written, and FlushFolders
// makes a whole batch durable at once later, so that a run of small photos does not wait for the
// disk once per photo. A replacement is always written Now: the old file is at stake.
enum class Durability { Now, Batched };

// Raises std::system_error unless `path` names nothing or a regular file: folders, symbolic
// links (never followed), devices, pipes and sockets are not replaced. EISDIR for a folder,
// EEXIST for the others.
void requireReplaceable(const std::string& path);

// Creates `path` holding exactly `bytes`, with the permissions any new file gets (0666 less the
// umask). With Keep, AlreadyExists when an entry of that name exists or appears in the meantime;
// it is left untouched. With Replace, an existing regular file is replaced (requireReplaceable's
// errors otherwise) and the status is always Written. File-system failures (no folder, no
// access, disk full, file size limit) raise std::system_error with the system's error code,
// after cleaning up.
NewFileStatus writeNewFile(const std::string& path, const std::vector<std::uint8_t>& bytes,
                           ExistingFile existing = ExistingFile::Keep,
                           Durability durability = Durability::Now);

// Makes every file written into these folders durable, and their names: one syncfs for each file
// system, then each folder. False when the system reports a write error for any of them (a full or
// failing disk found only when the data was written out).
bool FlushFolders(const std::set<std::string>& folders);

}  // namespace lumivex
