// The window as a module of its own (liblumivex_window.so), which the program loads only when a
// window is wanted: Qt and everything it brings are then never loaded for a headless run, which
// starts in half the time without them.
#include "ui/ui_app.h"

extern "C" __attribute__((visibility("default"))) int lumivex_runWindow(int argc, char** argv) {
  return lumivex::ui::RunWindow(argc, argv);
}
