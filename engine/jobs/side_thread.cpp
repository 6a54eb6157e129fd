// The side thread: one task slot guarded by a mutex, signalled both ways by one condition.
#include "jobs/side_thread.h"

#include <system_error>

namespace corvale {

SideThread::SideThread() {
  try {
    thread_ = std::thread([this] { serve(); });
  } catch (const std::system_error&) {  // no thread: tasks run where they are posted
  }
}

SideThread::~SideThread() {
  if (!thread_.joinable()) return;
  {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !task_; });
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void SideThread::post(std::function<void()> task) {
  if (!thread_.joinable()) return task();
  {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !task_; });
    task_ = std::move(task);
  }
  changed_.notify_all();
}

void SideThread::wait() {
  if (!thread_.joinable()) return;
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !task_; });
}

void SideThread::serve() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return task_ || stopping_; });
    if (!task_) return;
    lock.unlock();
    task_();  // tasks of the box stage do not throw: they only add and store
    lock.lock();
    task_ = nullptr;
    changed_.notify_all();
  }
}

}  // namespace corvale
