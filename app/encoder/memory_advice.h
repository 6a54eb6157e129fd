// Large buffers that are filled once from start to end: the encoder's off-screen bitmap and its
// coefficient arrays (tens of megabytes for a camera-sized picture).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lumivex {

// Asks the kernel to back the range with huge pages where it can. Fresh memory is mapped on
// first touch, one 4 KiB page at a time; for a buffer of 36 MB those nine thousand page faults
// cost more than the work done in it (about 90 ms on a virtual machine), while 2 MiB pages need
// eighteen. Only advice: nothing changes where the system does not follow it.
void adviseHugePages(void* data, std::size_t bytes);

// A zeroed array of `count` values whose memory got that advice before its first touch.
std::vector<std::int16_t> largeZeroedArray(std::size_t count);

}  // namespace lumivex
