// The forked child of an untrusted decoder and the parent's reads from its pipe.
#include "sandbox/forked_decode.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define FORKED_DECODE_SANITIZED_BUILD 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define FORKED_DECODE_SANITIZED_BUILD 1
#endif
#endif
#ifndef FORKED_DECODE_SANITIZED_BUILD
#define FORKED_DECODE_SANITIZED_BUILD 0
#endif

namespace corvale {

namespace {

constexpr bool kSanitizedBuild = FORKED_DECODE_SANITIZED_BUILD;
constexpr std::uint64_t kPixelsPerExtraSecond = 2'000'000;
using Clock = std::chrono::steady_clock;

// Only the pipe stays open (as descriptor 3), the library's messages go nowhere, and a crash ends
// the child at once instead of running the parent's handlers (a fuzzer's, a sanitizer's).
void isolateChild(int& out) {
  for (int fatal : {SIGSEGV, SIGBUS, SIGABRT, SIGFPE, SIGILL, SIGPIPE}) ::signal(fatal, SIG_DFL);
  int null = open("/dev/null", O_RDWR);
  if (null >= 0) dup2(null, STDOUT_FILENO), dup2(null, STDERR_FILENO);
  if (dup2(out, 3) == 3) out = 3;
  close_range(4, ~0u, 0);
}

[[noreturn]] void runChild(const ChildWork& work, int out) {
  isolateChild(out);
  work(out);
  _exit(0);
}

}  // namespace

bool writeToParent(int out, const void* data, std::size_t count) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  while (count > 0) {
    ssize_t n = write(out, p, count);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n, count -= static_cast<std::size_t>(n);
  }
  return true;
}

void limitChildMemory(std::uint64_t allowance) {
  if (kSanitizedBuild) return;
  unsigned long pages = 0;
  if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(statm, "%lu", &pages) != 1) pages = 0;
    std::fclose(statm);
  }
  rlimit limit{};
  limit.rlim_cur = limit.rlim_max = pages * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE)) + allowance;
  setrlimit(RLIMIT_AS, &limit);
}

ForkedDecode::ForkedDecode(const ChildWork& work, std::chrono::seconds timeLimit) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return;
  pid_ = fork();
  if (pid_ == 0) {
    close(fds[0]);
    runChild(work, fds[1]);
  }
  close(fds[1]);
  if (pid_ < 0) {
    close(fds[0]);
    return;
  }
  in_ = fds[0];
  deadline_ = Clock::now() + timeLimit;
}

ForkedDecode::~ForkedDecode() {
  if (in_ >= 0) close(in_);
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    while (waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
    }
  }
}

void ForkedDecode::allowFor(std::uint64_t pixels) {
  deadline_ += std::chrono::seconds(pixels / kPixelsPerExtraSecond);
}

bool ForkedDecode::read(void* data, std::size_t count) {
  auto* p = static_cast<std::uint8_t*>(data);
  while (count > 0) {
    if (!waitForData()) return false;
    ssize_t n = ::read(in_, p, count);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n, count -= static_cast<std::size_t>(n);
  }
  return true;
}

bool ForkedDecode::waitForData() {
  while (in_ >= 0) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - Clock::now()).count();
    if (left <= 0) return false;
    pollfd p{in_, POLLIN, 0};
    int ready = poll(&p, 1, static_cast<int>(std::min<long long>(left, 60'000)));
    if (ready > 0) return true;
    if (ready < 0 && errno != EINTR) return false;
  }
  return false;
}

}  // namespace corvale
