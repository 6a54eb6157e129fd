// Large buffers that are filled once from start to end: the encoder's off-screen bitmap, its
// coefficient arrays and the transformed blocks a quality search keeps (tens of megabytes for a
// camera-sized picture).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/memory_advice.h"

namespace lumivex {

// A zeroed array of `count` values whose memory was advised to use huge pages before its first
// touch (gdi::AdviseHugePages).
std::vector<std::int16_t> largeZeroedArray(std::size_t count);

// The same for any value type: `count` value-initialised elements.
template <typename T>
std::vector<T> largeArray(std::size_t count) {
  std::vector<T> values;
  values.reserve(count);
  gdi::AdviseHugePages(values.data(), count * sizeof(T));
  values.resize(count);
  return values;
}

}  // namespace lumivex
