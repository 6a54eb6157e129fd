// Huge-page advice for the encoder's large buffers.
#include "encoder/memory_advice.h"

#include "platform/memory_advice.h"

namespace lumivex {

std::vector<std::int16_t> largeZeroedArray(std::size_t count) {
  std::vector<std::int16_t> values;
  values.reserve(count);  // allocated, not yet touched
  gdi::AdviseHugePages(values.data(), count * sizeof(std::int16_t));
  values.resize(count);
  return values;
}

}  // namespace lumivex
