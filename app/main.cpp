// lumivex: opens the window, or with --batch resizes without one.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "cli/headless.h"
#include "utilities/utilities.h"

#ifdef LUMIVEX_WITH_UI
#include "ui/ui_app.h"
#endif

int main(int argc, char** argv) {
  lumivex::KeepReleasedMemoryForTheNextPhoto();
  std::vector<std::string> arguments(argv + 1, argv + argc);
  // --batch and --help count wherever they stand: "lumivex -q 20 --batch photo.jpg" is a batch.
  if (lumivex::cli::ModeOfArguments(arguments) != lumivex::cli::ProgramMode::Window)
    return lumivex::cli::RunHeadless(arguments);
#ifdef LUMIVEX_WITH_UI
  return lumivex::ui::RunWindow(argc, argv);
#else
  std::fputs("lumivex: this build has no window; use --batch to resize without one.\n\n", stderr);
  std::fputs(lumivex::cli::UsageText().c_str(), stderr);
  return 2;
#endif
}
