// Below-normal priority: a higher nice value for the calling thread alone.
#include "jobs/thread_priority.h"

#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>

namespace corvale {

namespace {

// How far below its creator a job thread runs: enough for the window's thread and the rest of the
// system to come first when they want the processor, while the job still gets a fair share.
constexpr int kBelowNormalSteps = 5;
constexpr int kLowestPriority = 19;

}  // namespace

bool lowerOwnPriority() {
  const id_t thread = static_cast<id_t>(gettid());
  errno = 0;
  const int current = getpriority(PRIO_PROCESS, thread);
  if (current == -1 && errno != 0) return false;
  const int lowered =
      current + kBelowNormalSteps < kLowestPriority ? current + kBelowNormalSteps : kLowestPriority;
  return setpriority(PRIO_PROCESS, thread, lowered) == 0;
}

}  // namespace corvale
