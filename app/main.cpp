// lumivex: opens the window, or with --batch resizes without one.
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "cli/headless.h"
#include "utilities/utilities.h"

namespace {

constexpr const char* kWindowModule = "liblumivex_window.so";

// The window's module beside the program (a build, a portable copy), else where the program's
// run path says (an installed program: its private library folder).
void* openWindowModule() {
  const std::string besideUs = lumivex::ExecutableFolder() + "/" + kWindowModule;
  if (void* module = dlopen(besideUs.c_str(), RTLD_NOW | RTLD_LOCAL)) return module;
  return dlopen(kWindowModule, RTLD_NOW | RTLD_LOCAL);
}

int runWindow(int argc, char** argv) {
  void* module = openWindowModule();
  using RunWindow = int (*)(int, char**);
  auto run = module ? reinterpret_cast<RunWindow>(dlsym(module, "lumivex_runWindow")) : nullptr;
  if (run) return run(argc, argv);
  const char* why = dlerror();
  std::fprintf(stderr, "lumivex: the window cannot be opened: %s\nUse --batch to resize without one.\n\n",
               why ? why : "its module has no entry point");
  std::fputs(lumivex::cli::UsageText().c_str(), stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  lumivex::KeepReleasedMemoryForTheNextPhoto();
  std::vector<std::string> arguments(argv + 1, argv + argc);
  // --batch and --help count wherever they stand: "lumivex -q 20 --batch photo.jpg" is a batch.
  if (lumivex::cli::ModeOfArguments(arguments) != lumivex::cli::ProgramMode::Window)
    return lumivex::cli::RunHeadless(arguments);
#ifdef LUMIVEX_WITH_UI
  return runWindow(argc, argv);
#else
  std::fputs("lumivex: this build has no window; use --batch to resize without one.\n\n", stderr);
  std::fputs(lumivex::cli::UsageText().c_str(), stderr);
  return 2;
#endif
}
