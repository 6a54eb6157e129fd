// A window asked to end by a signal (SIGTERM when the session ends, SIGINT, SIGHUP) closes as if
// Exit were clicked: the settings are saved and the hand-over socket is removed.
#pragma once

class QWidget;

namespace lumivex::ui {

// Installs the handlers for the lifetime of the process; the window must outlive the event loop.
void CloseOnTerminationSignal(QWidget& window);

}  // namespace lumivex::ui
