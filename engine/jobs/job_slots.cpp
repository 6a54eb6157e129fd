// The job slots and their threads.
#include "jobs/job_slots.h"

#include <atomic>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

#include "jobs/thread_priority.h"
#include "resample/resample.h"

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

// The job thread's answer to whether it lowered its own priority, awaited by the starting call.
class PriorityReport {
 public:
  void post(bool lowered) {
    std::lock_guard<std::mutex> lock(mutex_);
    lowered_ = lowered;
    posted_ = true;
    ready_.notify_one();
  }
  bool await() {
    std::unique_lock<std::mutex> lock(mutex_);
    ready_.wait(lock, [this] { return posted_; });
    return lowered_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable ready_;
  bool posted_ = false;
  bool lowered_ = false;
};

// The job thread's work: the pictures were handed over before the thread started, and nothing of
// them is touched after the finished flag is published.
void runJob(ResampleJob& job, Picture* source, Picture* destination, std::int32_t mode) {
  try {
    resampleBestInto(*source, *destination, mode);
  } catch (const std::exception&) {
    // Out of working memory: the destination stays as far as it got; the slot must still finish.
  }
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

JobStart startResampleJob(std::int32_t slot, const JobRequest& request, ThreadLauncher launch) {
  JobStart start;
  if (!isJobSlot(slot) || !request.source || !request.destination) return start;
  ResampleJob& job = slots[slot];
  fillSlot(job, request);
  job.finished.store(false, std::memory_order_relaxed);
  // The thread lowers its own priority (Linux sets it per thread id) and reports back before it
  // starts the resample.
  std::shared_ptr<PriorityReport> priority(new PriorityReport);
  const bool lower = request.belowNormalPriority;
  start.threadId = launch([&job, source = request.source, destination = request.destination,
                           mode = request.mode, lower, priority] {
    priority->post(lower && lowerOwnPriority());
    runJob(job, source, destination, mode);
  });
  if (start.threadId == 0) {  // no thread: the job never runs, so the slot is not left running
    job.finished.store(true, std::memory_order_release);
    return start;
  }
  start.running = true;
  start.priorityLowered = priority->await();
  return start;
}

bool isJobFinished(std::int32_t slot) {
  if (!isJobSlot(slot)) return true;
  return slots[slot].finished.load(std::memory_order_acquire);
}

}  // namespace corvale
