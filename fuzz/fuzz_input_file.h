// The Exif loader takes a path, so its fuzz input is written to a file of the right extension first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Writes the input to a per-process file in /dev/shm (or /tmp) ending in `extension` and returns
// its path.
std::string writeFuzzInput(const std::uint8_t* data, std::size_t size, const char* extension);
