// How a job thread wakes the batch loop: the loop waits between two polls of its workers, and a
// job that ends cuts that wait short, so that a finished worker gets its next photo at once
// instead of at the next poll (5,000 small photos would otherwise spend most of their time
// waiting for polls).
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace lumivex {

class JobWake {
 public:
  // From any thread: a job has ended.
  void signal() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      signalled_ = true;
      // Under the lock, so that a listener removed by setListener is never called afterwards.
      if (listener_) listener_();
    }
    condition_.notify_all();
  }

  // Waits until a job ends or the time is up; true when a job ended (since the last wait).
  bool waitFor(int milliseconds) {
    std::unique_lock<std::mutex> lock(mutex_);
    bool woken =
        condition_.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return signalled_; });
    signalled_ = false;
    return woken;
  }

  // Also calls `listener` (on the job's thread, so it must only post) at every signal; a window
  // uses it to end the event loop it waits in. An empty function removes it.
  void setListener(std::function<void()> listener) {
    std::lock_guard<std::mutex> lock(mutex_);
    listener_ = std::move(listener);
  }

 private:
  std::mutex mutex_;
  std::condition_variable condition_;
  bool signalled_ = false;
  std::function<void()> listener_;
};

}  // namespace lumivex
