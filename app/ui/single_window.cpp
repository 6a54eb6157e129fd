// The hand-over between two launches of the window. The message is a Qt data stream: a tag and
// version, whether a size was given and the size, then the paths; the window answers one byte once
// it has the whole message.
#include "ui/single_window.h"

#include <unistd.h>

#include <QByteArray>
#include <QDataStream>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMetaObject>
#include <QStringList>

namespace lumivex::ui {

namespace {

constexpr quint32 kHandOverTag = 0x4c4d5802;  // "LMX" and the message version
constexpr char kTaken = 'k';
constexpr char kGo = 'g';
// Far more than any selection of paths; a peer that sends more is not a launch of this program.
constexpr qint64 kMaxMessageBytes = qint64{16} << 20;

// Paths travel as their bytes: a name that is not valid UTF-8 (a Latin-1 "d\xe9j\xe0.jpg") must
// reach the window as the same file.
QByteArray encode(const HandOver& handOver) {
  QByteArray bytes;
  QDataStream out(&bytes, QIODevice::WriteOnly);
  out.setVersion(QDataStream::Qt_6_0);
  QList<QByteArray> paths;
  for (const std::string& path : handOver.paths) paths << QByteArray::fromStdString(path);
  out << kHandOverTag << handOver.size.has_value() << QByteArray::fromStdString(handOver.size.value_or(""))
      << paths;
  return bytes;
}

// Reads one message from what has arrived so far; nothing when it is not complete yet (the
// transaction is rolled back) or not a hand-over at all.
std::optional<HandOver> decode(QDataStream& in, bool& malformed) {
  in.startTransaction();
  quint32 tag = 0;
  bool hasSize = false;
  QByteArray size;
  QList<QByteArray> paths;
  in >> tag >> hasSize >> size >> paths;
  if (!in.commitTransaction()) return std::nullopt;
  malformed = tag != kHandOverTag;
  if (malformed) return std::nullopt;
  HandOver handOver;
  if (hasSize) handOver.size = size.toStdString();
  for (const QByteArray& path : paths) handOver.paths.push_back(path.toStdString());
  return handOver;
}

bool waitForByte(QLocalSocket& socket, int timeoutMilliseconds, char expected) {
  while (socket.bytesAvailable() == 0)
    if (!socket.waitForReadyRead(timeoutMilliseconds)) return false;
  char answer = 0;
  return socket.getChar(&answer) && answer == expected;
}

}  // namespace

QString WindowSocketName() {
  QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && QFileInfo(runtime).isDir())
    return QDir(runtime).filePath("lumivex.socket");
  return QString("lumivex-%1").arg(static_cast<qulonglong>(::getuid()));
}

// The window acknowledges the message, and only this launch's "go" after that makes it act: a
// window too busy to acknowledge in time never acts later on photos that this launch has by then
// resized in a window of its own.
bool HandToOpenWindow(const HandOver& handOver, int timeoutMilliseconds) {
  QLocalSocket socket;
  socket.connectToServer(WindowSocketName());
  if (!socket.waitForConnected(timeoutMilliseconds)) return false;
  socket.write(encode(handOver));
  if (!socket.waitForBytesWritten(timeoutMilliseconds)) return false;
  if (!waitForByte(socket, timeoutMilliseconds, kTaken)) return false;
  socket.putChar(kGo);
  return socket.waitForBytesWritten(timeoutMilliseconds);
}

WindowListener::WindowListener(Receive receive, QObject* parent)
    : QObject(parent), receive_(std::move(receive)), server_(new QLocalServer(this)) {
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  connect(server_, &QLocalServer::newConnection, this, &WindowListener::accept);
}

WindowListener::~WindowListener() { close(); }

void WindowListener::close() { server_->close(); }

// Called only after a hand-over found no window answering: a socket of this name is then left over
// from a window that ended without closing it, and would keep every later window from listening.
bool WindowListener::listen() {
  if (server_->listen(WindowSocketName())) return true;
  if (server_->serverError() != QAbstractSocket::AddressInUseError) return false;
  QLocalServer::removeServer(WindowSocketName());
  return server_->listen(WindowSocketName());
}

QString WindowListener::socketPath() const { return server_->fullServerName(); }

void WindowListener::accept() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QObject::destroyed, this, [this, socket] { waiting_.erase(socket); });
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { read(socket); });
    read(socket);
  }
}

// A hand-over is acted on only once the launch says "go" after the acknowledgement; a launch
// that hung up before (it gave up waiting and opened a window of its own) takes its photos along.
void WindowListener::read(QLocalSocket* socket) {
  if (auto waiting = waiting_.find(socket); waiting != waiting_.end()) {
    char go = 0;
    if (!socket->getChar(&go) || go != kGo) return;
    HandOver taken = std::move(waiting->second);
    waiting_.erase(waiting);
    QMetaObject::invokeMethod(
        this, [this, taken = std::move(taken)] { receive_(taken); }, Qt::QueuedConnection);
    return;
  }
  QDataStream in(socket);
  in.setVersion(QDataStream::Qt_6_0);
  bool malformed = socket->bytesAvailable() > kMaxMessageBytes;
  if (malformed) return socket->abort();
  std::optional<HandOver> handOver = decode(in, malformed);
  if (malformed) socket->abort();
  if (!handOver) return;
  if (socket->state() != QLocalSocket::ConnectedState) return;
  waiting_[socket] = std::move(*handOver);
  socket->putChar(kTaken);
  socket->flush();
  if (socket->bytesAvailable() > 0) read(socket);
}

}  // namespace lumivex::ui
