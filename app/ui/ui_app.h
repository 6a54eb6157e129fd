// The window's entry point: the application set-up and the start-up order (the main window loads
// and is shown, then the options dialog is loaded unseen), then the event loop until the end.
#pragma once

namespace lumivex::ui {

// Queues the files and folders named in argv (after Qt's own options) and runs until the window
// closes; answers the process's exit status.
int RunWindow(int argc, char** argv);

}  // namespace lumivex::ui
