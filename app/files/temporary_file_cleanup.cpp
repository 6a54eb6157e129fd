// The list of temporary files in progress lives in fixed slots so that a signal handler can walk it
// without allocating or locking: each slot's state is a lock-free atomic, claimed by compare and
// exchange, and its path is only read while the state says it is complete.
#include "files/temporary_file_cleanup.h"

#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>

namespace lumivex::new_file {

namespace {

// Free -> Filling (the owner copies the path) -> Listed -> Free again when the owner is done, or
// Removing when the handler has taken it (the owner's path is then no longer touched).
enum SlotState : int { kFree, kFilling, kListed, kRemoving };

// One slot per write in progress: a run has at most eight workers, a few programs could share
// the process.
constexpr std::size_t kSlots = 16;

struct Slot {
  std::atomic<int> state{kFree};
  char path[PATH_MAX];
};

static_assert(std::atomic<int>::is_always_lock_free, "the signal handler needs lock-free slot states");

std::array<Slot, kSlots> slots;

void removeListedFilesAndEnd(int signal) {
  int savedErrno = errno;
  for (Slot& slot : slots) {
    int listed = kListed;
    if (slot.state.compare_exchange_strong(listed, kRemoving)) ::unlink(slot.path);
  }
  // Blocked while its handler runs, the signal raised again is taken by the default action as
  // soon as the handler returns, so the process ends the way it would have without us.
  struct sigaction defaultAction {};
  defaultAction.sa_handler = SIG_DFL;
  sigemptyset(&defaultAction.sa_mask);
  ::sigaction(signal, &defaultAction, nullptr);
  ::raise(signal);
  errno = savedErrno;
}

void installIfDefault(int signal) {
  struct sigaction current {};
  if (::sigaction(signal, nullptr, &current) != 0) return;
  if ((current.sa_flags & SA_SIGINFO) != 0 || current.sa_handler != SIG_DFL) return;
  struct sigaction cleanup {};
  cleanup.sa_handler = removeListedFilesAndEnd;
  sigemptyset(&cleanup.sa_mask);
  cleanup.sa_flags = SA_RESTART;
  ::sigaction(signal, &cleanup, nullptr);
}

int listPath(const std::string& path) {
  if (path.size() >= PATH_MAX) return -1;
  for (std::size_t i = 0; i < slots.size(); ++i) {
    int free = kFree;
    if (!slots[i].state.compare_exchange_strong(free, kFilling)) continue;
    std::memcpy(slots[i].path, path.c_str(), path.size() + 1);
    slots[i].state.store(kListed);
    return static_cast<int>(i);
  }
  return -1;
}

}  // namespace

void installTemporaryFileCleanup() {
  static std::once_flag installed;
  std::call_once(installed, [] {
    installIfDefault(SIGINT);
    installIfDefault(SIGTERM);
  });
}

ListedTemporaryFile::ListedTemporaryFile(const std::string& path) : slot_(listPath(path)) {}

ListedTemporaryFile::~ListedTemporaryFile() {
  if (slot_ < 0) return;
  int listed = kListed;
  slots[static_cast<std::size_t>(slot_)].state.compare_exchange_strong(listed, kFree);
}

}  // namespace lumivex::new_file
