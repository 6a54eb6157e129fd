// Clock, path and file helpers shared by the batch pipeline and both front ends.
#include "utilities/utilities.h"

#include <malloc.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <optional>

#include "utilities/processor_list.h"

namespace lumivex {
namespace fs = std::filesystem;

std::int64_t ClockMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::string FileNameOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool FileExists(const std::string& path) {
  if (path.empty()) return false;
  std::error_code error;
  return fs::is_regular_file(fs::path(path), error);
}

bool FolderExists(const std::string& path) {
  if (path.empty()) return false;
  std::error_code error;
  return fs::exists(fs::path(path), error);
}

void KeepReleasedMemoryForTheNextPhoto() {
  // One arena for every thread: a thread's own arena hands blocks larger than its 64 MB heap to
  // mmap whatever M_MMAP_MAX says, and returns them on free, so each photo's decoder buffers
  // would come back as fresh pages to fault in and clear. The photo threads allocate few, large
  // blocks, so sharing one arena costs no waiting worth measuring.
  mallopt(M_ARENA_MAX, 1);
  mallopt(M_MMAP_MAX, 0);
  mallopt(M_TRIM_THRESHOLD, INT_MAX);
}

std::string ExecutableFolder() {
  std::error_code error;
  fs::path executable = fs::read_symlink("/proc/self/exe", error);
  if (error) return {};
  return FolderOf(executable.string());
}

std::string ReadRegValue(std::intptr_t /*rootKey*/, const std::string& subKey, const std::string& valueName) {
  std::optional<int> processor = ProcessorOfRegistryKey(subKey, valueName);
  if (!processor || !ProcessorIsOnline(*processor)) return {};
  return std::to_string(ProcessorMhz(*processor));
}

}  // namespace lumivex
