// The window's entry point: the check for a display, the hand-over to a window already open, the
// application set-up and the start-up order (the main window loads and is shown, then the options
// dialog is loaded unseen), then the event loop until the end.
#pragma once

namespace lumivex::ui {

// Queues the files and folders named in argv (after Qt's own options and --size) and runs until
// the window closes, or hands them to the window already open; answers the process's exit status
// (2 without a display or for a usage error).
int RunWindow(int argc, char** argv);

}  // namespace lumivex::ui
