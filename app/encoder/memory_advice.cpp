// Huge-page advice for the encoder's large buffers.
#include "encoder/memory_advice.h"

#include <sys/mman.h>

namespace lumivex {

namespace {

constexpr std::uintptr_t kPageSize = 4096;
constexpr std::size_t kWorthAdvising = std::size_t{4} << 20;  // smaller buffers gain nothing

}  // namespace

void adviseHugePages(void* data, std::size_t bytes) {
  if (bytes < kWorthAdvising) return;
  auto begin = reinterpret_cast<std::uintptr_t>(data);
  std::uintptr_t first = (begin + kPageSize - 1) & ~(kPageSize - 1);
  std::uintptr_t last = (begin + bytes) & ~(kPageSize - 1);
  if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

std::vector<std::int16_t> largeZeroedArray(std::size_t count) {
  std::vector<std::int16_t> values;
  values.reserve(count);  // allocated, not yet touched
  adviseHugePages(values.data(), count * sizeof(std::int16_t));
  values.resize(count);
  return values;
}

}  // namespace lumivex
