// The QApplication set-up, the start-up order of the forms, and the event loop.
#include "ui/ui_app.h"

#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QStyleFactory>
#include <string>
#include <vector>

#include "batch/engine_binding.h"
#include "batch/user_prompts.h"
#include "ui/main_window.h"
#include "ui/qt_user_prompts.h"

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

}  // namespace

int RunWindow(int argc, char** argv) {
  QApplication application(argc, argv);
  SetUpApplication();
  engine::setFatalReport(ShowEngineFailure);
  std::vector<std::string> arguments(argv + 1, argv + argc);

  QtUserPrompts prompts;
  setUserPrompts(&prompts);
  int status = 0;
  {
    frmMain window(prompts);
    prompts.setOwner(&window);
    window.Form_Load(arguments);
    window.show();
    window.LoadOptionsHidden();
    status = QApplication::exec();
  }
  setUserPrompts(nullptr);
  return status;
}

}  // namespace lumivex::ui
