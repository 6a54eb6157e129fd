#include "readers/file_bytes.h"

#include <cstdio>
#include <sys/stat.h>

namespace corvale {

std::optional<std::vector<std::uint8_t>> readFileBytes(const char* path, std::uint64_t limit) {
  std::FILE* file = std::fopen(path, "rb");
  if (!file) return std::nullopt;
  struct stat info {};
  std::optional<std::vector<std::uint8_t>> result;
  if (fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode) &&
      static_cast<std::uint64_t>(info.st_size) <= limit) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(info.st_size));
    if (std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size()) result = std::move(bytes);
  }
  std::fclose(file);
  return result;
}

}  // namespace corvale
