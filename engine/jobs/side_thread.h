// A second thread beside a job's own, for work that can run while the job goes on: it takes one
// task at a time, and posting the next waits for the last to end, so a task may use whatever the
// job handed over with it until then. Used when a photo has a processor to itself and a spare one.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace corvale {

class SideThread {
 public:
  // Starts the thread; when none can be had, every task runs on the posting thread instead.
  SideThread();
  ~SideThread();  // waits for the task in hand
  SideThread(const SideThread&) = delete;
  SideThread& operator=(const SideThread&) = delete;

  // Waits for the task before to end, then hands `task` over (or runs it, without a thread).
  void post(std::function<void()> task);
  // Waits until no task runs.
  void wait();

 private:
  void serve();

  std::mutex mutex_;
  std::condition_variable changed_;
  std::function<void()> task_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace corvale
