// One window per user: a later launch hands its photos to the window that is already open, over a
// local socket that only this user can reach, and ends. The window queues them as it queues a
// drop. A socket left behind by a window that crashed is taken over by the next window.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

class QLocalServer;
class QLocalSocket;

namespace lumivex::ui {

// What a launch hands over: its items as absolute paths, and the size for them when one was given.
struct HandOver {
  std::optional<std::string> size;
  std::vector<std::string> paths;
};

// The socket's name for this user: lumivex.socket in $XDG_RUNTIME_DIR (a folder of this user
// alone) when set, else lumivex-UID in the temporary folder.
QString WindowSocketName();

// Hands the launch to the open window; true when that window took it. False when no window
// answers within the time (none is open, its socket is stale, or it is frozen); the window then
// never acts on this hand-over.
bool HandToOpenWindow(const HandOver& handOver, int timeoutMilliseconds = 5000);

// The open window's end of the socket: each complete hand-over is acknowledged at once and, when
// the launch confirms, passed to `receive` from the event loop, so that a question about
// subfolders never keeps the other launch waiting.
class WindowListener : public QObject {
  Q_OBJECT

 public:
  using Receive = std::function<void(const HandOver&)>;

  explicit WindowListener(Receive receive, QObject* parent = nullptr);
  ~WindowListener() override;

  // Starts listening; a stale socket of the same name is removed first. False when the name
  // cannot be listened on (the window then works on its own).
  bool listen();
  // Stops listening and removes the socket (also done when the listener goes).
  void close();
  QString socketPath() const;

 private:
  void accept();
  void read(QLocalSocket* socket);

  Receive receive_;
  QLocalServer* server_;
  std::map<QLocalSocket*, HandOver> waiting_;  // acknowledged, waiting for the launch's go
};

}  // namespace lumivex::ui
