// The sixteen job slots: each runs one best-quality resample on a thread of its own, and the
// caller polls the slot until its finished flag is set. The flag is the only hand-over between the
// threads: the job thread publishes it with release semantics after its last pixel write, and a
// poller that reads it set (with acquire semantics) sees the whole destination.
#pragma once

#include <cstdint>
#include <functional>

#include "jobs/thread_priority.h"
#include "picture/picture.h"

namespace corvale {

constexpr std::int32_t kJobSlots = 16;

bool isJobSlot(std::int32_t slot);

struct JobRequest {
  Picture* source;
  Picture* destination;
  std::int32_t mode;
  bool belowNormalPriority;  // the first entry lowers the job thread's priority, the second does not
  const char* const* texts;  // the second entry's three texts, kept with the slot; null for the first
};

struct JobStart {
  bool running = false;         // a thread took the job
  std::uintptr_t threadId = 0;  // non-zero when running
};

// Creates a thread that runs `body`, detached, and returns an identifier of it (non-zero), or 0
// when no thread could be created.
using ThreadLauncher = std::uintptr_t (*)(std::function<void()> body);
std::uintptr_t launchDetachedThread(std::function<void()> body);

// Fills `slot` and starts its job: resampleBestInto(source, destination, mode), then the finished
// flag. A job that fails (its intermediate picture cannot be had, or it runs out of memory) leaves
// the destination empty, so that the caller sees the failure instead of a black picture. A slot
// outside 0..15 is refused (nothing starts). When no thread can be created the slot reads finished
// again and the result says not running. Whether the thread's priority could be lowered does not
// matter to the result. Starting a slot whose job still runs is the caller's mistake: the slot is
// not guarded.
JobStart startResampleJob(std::int32_t slot, const JobRequest& request,
                          ThreadLauncher launch = launchDetachedThread,
                          PriorityLowerer lowerPriority = lowerOwnPriority);

// The first entry (imgResample_Threaded): starts the job at below-normal priority and answers 1
// whenever a thread runs it, 0 only when nothing started.
std::int32_t startFirstEntry(std::int32_t slot, Picture* source, Picture* destination, std::int32_t mode,
                             ThreadLauncher launch = launchDetachedThread,
                             PriorityLowerer lowerPriority = lowerOwnPriority);

// True when no job runs in `slot`: never used, or its job is complete. A slot outside 0..15 never
// runs anything and reads finished.
bool isJobFinished(std::int32_t slot);

}  // namespace corvale
