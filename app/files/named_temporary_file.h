// Writing through a hidden temporary file that has a name from the start: the way for file
// systems without unnamed temporary files. The file is removed on failure and, when SIGINT or
// SIGTERM ends the process mid-write, by the cleanup handler.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "files/new_file.h"

namespace lumivex::new_file {

// writeNewFile through a ".NAME.XXXXXX" file beside the target (same statuses and errors).
NewFileStatus writeThroughNamedFile(const std::string& path, const std::vector<std::uint8_t>& bytes,
                                    ExistingFile existing, Durability durability);

}  // namespace lumivex::new_file
