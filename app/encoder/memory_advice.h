// Large buffers that are filled once from start to end: the encoder's off-screen bitmap and its
// coefficient arrays (tens of megabytes for a camera-sized picture).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lumivex {

// A zeroed array of `count` values whose memory was advised to use huge pages before its first
// touch (gdi::AdviseHugePages).
std::vector<std::int16_t> largeZeroedArray(std::size_t count);

}  // namespace lumivex
