// The job slots and their threads.
#include "jobs/job_slots.h"

#include <atomic>
#include <cstring>
#include <exception>
#include <thread>

#include "resample/resample_best.h"

namespace corvale {

namespace {

constexpr std::size_t kTextBytes = 256;

struct ResampleJob {
  Picture* source = nullptr;
  Picture* destination = nullptr;
  std::int32_t mode = 0;
  char texts[3][kTextBytes] = {};
  bool startedBySecondEntry = false;
  std::atomic<bool> finished{true};  // a slot never used reads finished
};

// The engine's only global state. Constant-initialised, so there is no first-call set-up to race.
ResampleJob slots[kJobSlots];

// Keeps a text of the second entry: up to its terminating zero, at most 256 bytes, the rest of
// the slot's copy zero. A shorter text is never read past its end.
void keepText(char (&kept)[kTextBytes], const char* text) {
  std::memset(kept, 0, kTextBytes);
  if (text) std::memcpy(kept, text, strnlen(text, kTextBytes));
}

void fillSlot(ResampleJob& job, const JobRequest& request) {
  job.source = request.source;
  job.destination = request.destination;
  job.mode = request.mode;
  job.startedBySecondEntry = request.texts != nullptr;
  for (int i = 0; i < 3; ++i) keepText(job.texts[i], request.texts ? request.texts[i] : nullptr);
}

// The job thread's work: the pictures were handed over before the thread started, and nothing of
// them is touched after the finished flag is published. A job that cannot complete releases the
// destination: an empty picture is how the caller learns of the failure (a black one would be
// written as a photo).
void runJob(ResampleJob& job, Picture* source, Picture* destination, std::int32_t mode) {
  bool done = false;
  try {
    done = resampleBestInto(*source, *destination, mode);
  } catch (...) {  // out of working memory; the slot must still finish
  }
  if (!done) releasePicture(*destination);
  job.finished.store(true, std::memory_order_release);
}

}  // namespace

bool isJobSlot(std::int32_t slot) { return slot >= 0 && slot < kJobSlots; }

std::uintptr_t launchDetachedThread(std::function<void()> body) {
  try {
    std::thread thread(std::move(body));
    const auto id = static_cast<std::uintptr_t>(thread.native_handle());
    thread.detach();
    return id != 0 ? id : 1;
  } catch (const std::exception&) {
    return 0;
  }
}

JobStart startResampleJob(std::int32_t slot, const JobRequest& request, ThreadLauncher launch,
                          PriorityLowerer lowerPriority) {
  JobStart start;
  if (!isJobSlot(slot) || !request.source || !request.destination) return start;
  ResampleJob& job = slots[slot];
  fillSlot(job, request);
  // The thread lowers its own priority (Linux sets it per thread id). A refusal is no failure: the
  // job then runs at normal priority. The body is made before the slot reads running, so that
  // nothing can fail between the two.
  std::function<void()> body = [&job, source = request.source, destination = request.destination,
                                mode = request.mode, lower = request.belowNormalPriority, lowerPriority] {
    if (lower) lowerPriority();
    runJob(job, source, destination, mode);
  };
  job.finished.store(false, std::memory_order_relaxed);
  start.threadId = launch(std::move(body));
  if (start.threadId == 0) {  // no thread: the job never runs, so the slot is not left running
    job.finished.store(true, std::memory_order_release);
    return start;
  }
  start.running = true;
  return start;
}

std::int32_t startFirstEntry(std::int32_t slot, Picture* source, Picture* destination, std::int32_t mode,
                             ThreadLauncher launch, PriorityLowerer lowerPriority) {
  const JobStart start =
      startResampleJob(slot, {source, destination, mode, true, nullptr}, launch, lowerPriority);
  return start.running ? 1 : 0;
}

bool isJobFinished(std::int32_t slot) {
  if (!isJobSlot(slot)) return true;
  return slots[slot].finished.load(std::memory_order_acquire);
}

}  // namespace corvale
