// Advice to the kernel about large buffers, shared by the engine's bitmaps and the encoder's
// arrays so that both ask for huge pages the same way.
#pragma once

#include <cstddef>

#include "platform/gdi.h"

namespace gdi {

// Asks the kernel to back the range with huge pages where it can. A photo's buffers are tens of
// megabytes written once front to back; fresh memory is mapped on first touch one 4 KiB page at a
// time, and on a virtual machine those thousands of page faults cost as much as decoding the
// photo, while 2 MiB pages need a few dozen. Buffers under 4 MiB gain nothing and are left alone.
// Only advice: nothing changes where the system does not follow it.
GDI_API void AdviseHugePages(void* memory, std::size_t bytes);

}  // namespace gdi
