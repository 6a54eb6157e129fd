// lumivex: opens the window, or with --batch resizes without one.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "utilities/utilities.h"
#include "cli/cli_options.h"
#include "cli/headless.h"

#ifdef LUMIVEX_WITH_UI
#include "ui/ui_app.h"
#endif

int main(int argc, char** argv) {
  lumivex::KeepReleasedMemoryForTheNextPhoto();
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
