// A decode that runs in a child process of its own, for libraries that are not trusted with the
// caller's process (jxrlib, libheif and its codecs): the child is forked for each file, keeps only
// a pipe to its parent, sends its messages to /dev/null, may be limited in memory, and hands its
// results back through the pipe; the parent reads them within a time limit. A child that crashes,
// stops, or runs out of time or memory gives the parent a short read, never a crash of its own.
//
// The child runs on a copy of the parent's memory, so it reads the caller's bytes directly; it
// never returns into the caller's code but ends with _exit.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>

namespace corvale {

// The child's side. `out` is the pipe to the parent; the exit status is of no interest to it.
using ChildWork = std::function<void(int out)>;

// Exactly `count` bytes to the parent, or false when the pipe is gone.
bool writeToParent(int out, const void* data, std::size_t count);

// From now on the child may grow by `allowance` bytes beyond what it holds, and no more. Nothing
// is limited under the sanitizers, which reserve terabytes of shadow memory up front.
void limitChildMemory(std::uint64_t allowance);

// The parent's side: the child's process and its pipe.
class ForkedDecode {
 public:
  // Forks a child that runs `work`; `timeLimit` is the time the parent waits for its answers.
  ForkedDecode(const ChildWork& work, std::chrono::seconds timeLimit);
  // The child is stopped whatever it is doing: everything it had to give has been read.
  ~ForkedDecode();
  ForkedDecode(const ForkedDecode&) = delete;
  ForkedDecode& operator=(const ForkedDecode&) = delete;

  // A second more for every two million pixels the child is about to hand over.
  void allowFor(std::uint64_t pixels);

  // Exactly `count` bytes, or false when the child ends, fails or runs out of time first.
  bool read(void* data, std::size_t count);

 private:
  bool waitForData();

  pid_t pid_ = -1;
  int in_ = -1;
  std::chrono::steady_clock::time_point deadline_;
};

}  // namespace corvale
