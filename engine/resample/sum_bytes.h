// Window sums to pixel bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "resample/instruction_set.h"

namespace corvale {

// Writes blue, green and red of `n` destination pixels from three runs of sums (blue at `sums`,
// green `width` floats further, then red; each run holds at least n rounded up to 8 values). Each
// sum is clamped to 0..255 when `clampRange` is set, then truncated toward zero and its low byte
// stored; a pixel whose `outside` flag is set is black. The fourth byte is never written.
void storeSums(std::uint8_t* out, const float* sums, std::size_t width, const std::uint8_t* outside,
               std::int32_t n, bool clampRange, InstructionSet isa);

}  // namespace corvale
