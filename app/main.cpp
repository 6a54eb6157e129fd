// lumivex: opens the window, or with --batch resizes without one.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "cli/headless.h"

#ifdef LUMIVEX_WITH_UI
#include "ui/ui_app.h"
#endif

namespace {

// Every photo passes through pictures of tens of megabytes that are written once, front to back.
// In 4 KB pages each of them costs thousands of page faults, which on a virtual machine take as
// long as decoding the photo; the C library can back its heap with transparent huge pages instead,
// but reads that choice only from the environment at start-up. So the program starts itself
// again once with the choice made, unless it is already made (by us or by the user). When that
// cannot be done, it simply runs on with small pages.
void restartWithHugePageHeap(char** argv) {
  constexpr const char* kTunable = "glibc.malloc.hugetlb=1";
  const char* current = std::getenv("GLIBC_TUNABLES");
  if (current && std::strstr(current, "glibc.malloc.hugetlb")) return;
  std::string tunables = current && *current ? std::string(current) + ":" + kTunable : kTunable;
  if (setenv("GLIBC_TUNABLES", tunables.c_str(), 1) != 0) return;
  execv("/proc/self/exe", argv);
}

}  // namespace

int main(int argc, char** argv) {
  restartWithHugePageHeap(argv);
  std::vector<std::string> arguments(argv + 1, argv + argc);
  if (!arguments.empty() && arguments[0] == "--batch")
    return lumivex::cli::RunHeadless({arguments.begin() + 1, arguments.end()});
  if (!arguments.empty() && (arguments[0] == "--help" || arguments[0] == "-h" || arguments[0] == "--version"))
    return lumivex::cli::RunHeadless(arguments);
#ifdef LUMIVEX_WITH_UI
  return lumivex::ui::RunWindow(argc, argv);
#else
  std::fputs("lumivex: this build has no window; use --batch to resize without one.\n\n", stderr);
  std::fputs(lumivex::cli::UsageText().c_str(), stderr);
  return 2;
#endif
}
