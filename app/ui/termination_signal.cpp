// A signal handler may do almost nothing: it writes one byte into a pipe, and the event loop, which
// watches the other end, closes the window.
#include "ui/termination_signal.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QWidget>
#include <csignal>

namespace lumivex::ui {

namespace {

// The write end of the pipe, for the handler; set once before any handler is installed.
int signalPipeWrite = -1;

void onTerminationSignal(int) {
  char byte = 1;
  [[maybe_unused]] ssize_t written = ::write(signalPipeWrite, &byte, 1);
}

}  // namespace

void CloseOnTerminationSignal(QWidget& window) {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return;
  signalPipeWrite = ends[1];
  auto* notifier = new QSocketNotifier(ends[0], QSocketNotifier::Read, &window);
  QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window, readEnd = ends[0]] {
    char bytes[16];
    while (::read(readEnd, bytes, sizeof bytes) > 0) {
    }
    window.close();
  });
  struct sigaction action = {};
  action.sa_handler = onTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
}

}  // namespace lumivex::ui
