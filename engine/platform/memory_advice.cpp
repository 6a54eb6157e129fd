// Huge-page advice for large buffers: the range is trimmed to whole pages before madvise.
#include "platform/memory_advice.h"

#include <sys/mman.h>

#include <cstdint>

namespace gdi {

void AdviseHugePages(void* memory, std::size_t bytes) {
  constexpr std::size_t kWorthAdvising = std::size_t{4} << 20;
  constexpr std::uintptr_t kPage = 4096;
  if (bytes < kWorthAdvising) return;
  auto begin = reinterpret_cast<std::uintptr_t>(memory);
  std::uintptr_t first = (begin + kPage - 1) & ~(kPage - 1);
  std::uintptr_t last = (begin + bytes) & ~(kPage - 1);
  if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

}  // namespace gdi
