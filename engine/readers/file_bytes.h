// Whole-file reads for the readers, which all parse from memory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace corvale {

// A file's bytes, or why they could not be had (then `failure` is not empty).
struct FileBytes {
  std::vector<std::uint8_t> bytes;
  std::string failure;
};

// Reads the whole file at `path`. Anything that is not a regular file (a folder, a pipe, a
// device) is refused before it is opened for reading, so that a pipe named like a photo never
// blocks the reader; a file larger than `limit` bytes is refused before it is read.
FileBytes readFileBytes(const char* path, std::uint64_t limit);

// The picture is too large for memory: "is too large for memory (W x H)".
std::string tooLargeForMemory(std::uint64_t width, std::uint64_t height);
// The file is far too short for the picture it declares.
std::string tooShortForItsSize(std::uint64_t width, std::uint64_t height);

}  // namespace corvale
