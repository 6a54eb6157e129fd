// Which variant of the hot loops to run: each is compiled for AVX2 and for the x86-64 baseline,
// and both give the same bytes.
#pragma once

namespace corvale {

enum class InstructionSet { kBaseline, kAvx2 };

// The fastest variant this processor runs.
InstructionSet bestInstructionSet();

}  // namespace corvale
