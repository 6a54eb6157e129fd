// Huge-page advice for the encoder's large buffers.
#include "encoder/memory_advice.h"

namespace lumivex {

std::vector<std::int16_t> largeZeroedArray(std::size_t count) { return largeArray<std::int16_t>(count); }

}  // namespace lumivex
