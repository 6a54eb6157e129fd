// Whole-file reads for the readers that parse from memory.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace corvale {

// The file's bytes, or nothing when it cannot be opened, is not a regular file or is larger
// than `limit` bytes.
std::optional<std::vector<std::uint8_t>> readFileBytes(const char* path, std::uint64_t limit);

}  // namespace corvale
