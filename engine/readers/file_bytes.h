// Whole-file reads for the readers, which all parse from memory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "picture/load_cause.h"

namespace corvale {

// A file's bytes, or why they could not be had (then `failure` is not clean).
struct FileBytes {
  std::vector<std::uint8_t> bytes;
  LoadOutcome failure;
};

// Reads the whole file at `path`. Anything that is not a regular file (a folder, a pipe, a
// device) is refused before it is opened for reading, so that a pipe named like a photo never
// blocks the reader; a file larger than `limit` bytes is refused before it is read.
FileBytes readFileBytes(const char* path, std::uint64_t limit);

// The picture is too large for memory: "is too large for memory (W x H)".
LoadOutcome tooLargeForMemory(std::uint64_t width, std::uint64_t height);
// The file is far too short for the picture it declares: "is too short for its size (W x H)".
LoadOutcome tooShortForItsSize(std::uint64_t width, std::uint64_t height);

}  // namespace corvale
