// Writing through an unnamed temporary file (O_TMPFILE): the file has no directory entry until it
// is complete, so nothing is left behind whatever ends the process mid-write, SIGKILL included.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "files/new_file.h"

namespace lumivex::new_file {

// writeNewFile through an unnamed file in the target's folder (same statuses and errors), or
// nullopt, having written nothing, where the file system or the system cannot make one.
std::optional<NewFileStatus> writeThroughUnnamedFile(const std::string& path,
                                                     const std::vector<std::uint8_t>& bytes,
                                                     ExistingFile existing, Durability durability);

}  // namespace lumivex::new_file
