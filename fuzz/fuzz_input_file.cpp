// Writes a fuzz input to a temporary file for the parsers that only take a path.
#include "fuzz_input_file.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>

std::string writeFuzzInput(const std::uint8_t* data, std::size_t size, const char* extension) {
  const char* folder = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
  std::string path = std::string(folder) + "/lumivex-fuzz-" + std::to_string(getpid()) + extension;
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  return path;
}
