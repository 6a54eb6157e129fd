// Below-normal priority for the calling thread.
#pragma once

namespace corvale {

// Raises the calling thread's nice value (Linux schedules threads by their own nice value when it
// is set on the thread id). True when that succeeded.
bool lowerOwnPriority();

}  // namespace corvale
