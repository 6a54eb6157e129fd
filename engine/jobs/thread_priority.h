// Below-normal priority for the calling thread.
#pragma once

namespace corvale {

// Raises the calling thread's nice value (Linux schedules threads by their own nice value when it
// is set on the thread id). True when that succeeded; some systems refuse it, and a job then
// simply runs at normal priority.
bool lowerOwnPriority();

// How a job thread lowers its priority; tests pass one that refuses.
using PriorityLowerer = bool (*)();

}  // namespace corvale
