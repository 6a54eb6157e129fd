// The QApplication set-up, the hand-over to a window already open, the start-up order of the
// forms, and the event loop.
#include "ui/ui_app.h"

#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QStyleFactory>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "batch/engine_binding.h"
#include "ui/display_check.h"
#include "ui/main_window.h"
#include "ui/qt_user_prompts.h"
#include "ui/single_window.h"
#include "ui/termination_signal.h"
#include "ui/window_arguments.h"
#include "utilities/terminal_text.h"
#include "utilities/user_prompts.h"

#ifndef LUMIVEX_VERSION
#define LUMIVEX_VERSION "0.0.0"
#endif

namespace lumivex::ui {

namespace {

// The forms are laid out to the pixel; Fusion draws their controls the same on every desktop.
void SetUpApplication() {
  QApplication::setApplicationName("Lumivex");
  QApplication::setApplicationVersion(LUMIVEX_VERSION);
  QApplication::setDesktopFileName("lumivex");
  QApplication::setWindowIcon(QIcon(":/lumivex/lumivex.png"));
  if (QStyle* fusion = QStyleFactory::create("Fusion")) QApplication::setStyle(fusion);
}

// A window user never sees standard error: a missing or incomplete engine is shown in a box
// before the program stops.
void ShowEngineFailure(const std::string& message) {
  QMessageBox::critical(nullptr, "Lumivex", QString::fromStdString(message));
}

// The launch's items that name nothing this user can read, each named on standard error: the
// window lists them as failed, and the launch that handed them over says so by its status.
int countUnreadable(const std::vector<std::string>& paths) {
  int unreadable = 0;
  for (const std::string& path : paths) {
    if (!NamesNothingReadable(path)) continue;
    std::string reason = std::filesystem::exists(path) ? "cannot be read" : "no such file or folder";
    std::fprintf(stderr, "lumivex: %s: %s\n", EscapedForTerminal(path).c_str(), reason.c_str());
    ++unreadable;
  }
  return unreadable;
}

}  // namespace

int RunWindow(int argc, char** argv) {
  DisplayChoice display = ChooseDisplay({argv + 1, argv + argc});
  if (!display.available) {
    std::fputs(kNoDisplayText, stderr);
    return 2;
  }
  if (!display.platform.empty()) qputenv("QT_QPA_PLATFORM", QByteArray::fromStdString(display.platform));
  // QApplication takes its own options (-platform, -style...) out of argc and argv.
  QApplication application(argc, argv);
  WindowArguments launch = ParseWindowArguments({argv + 1, argv + argc});
  if (!launch.error.empty()) {
    std::fprintf(stderr, "lumivex: %s\nUsage: lumivex [--size SIZE] [FILE|FOLDER]... (see lumivex --help)\n",
                 launch.error.c_str());
    return 2;
  }
  std::vector<std::string> items = AbsoluteItems(launch.items);
  if (HandToOpenWindow({launch.size, items})) return countUnreadable(items) > 0 ? 1 : 0;
  SetUpApplication();
  engine::setFatalReport(ShowEngineFailure);

  QtUserPrompts prompts;
  setUserPrompts(&prompts);
  int status = 0;
  {
    frmMain window(prompts);
    prompts.setOwner(&window);
    // Signals are caught before anyone can find the window, so that none ends it half set up.
    CloseOnTerminationSignal(window);
    WindowListener listener([&window](const HandOver& handOver) { window.TakeHandOver(handOver); });
    listener.listen();
    // Ending during a run skips every destructor; the socket must not outlive the window.
    window.setEndProgram([&listener](bool duringRun) {
      if (duringRun) listener.close();
      EndProgramAtOnce(duringRun);
    });
    window.Form_Load(launch.items, launch.size);
    window.show();
    window.LoadOptionsHidden();
    status = QApplication::exec();
  }
  setUserPrompts(nullptr);
  return status;
}

}  // namespace lumivex::ui
