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

constexpr quint32 kHandOverTag = 0x4c4d5801;  // "LMX" and the message version
constexpr char kTaken = 'k';
// Far more than any selection of paths; a peer that sends more is not a launch of this program.
constexpr qint64 kMaxMessageBytes = qint64{16} << 20;

QByteArray encode(const HandOver& handOver) {
  QByteArray bytes;
  QDataStream out(&bytes, QIODevice::WriteOnly);
  out.setVersion(QDataStream::Qt_6_0);
  QStringList paths;
  for (const std::string& path : handOver.paths) paths << QString::fromStdString(path);
  out << kHandOverTag << handOver.size.has_value() << QString::fromStdString(handOver.size.value_or(""))
      << paths;
  return bytes;
}

// Reads one message from what has arrived so far; nothing when it is not complete yet (the
// transaction is rolled back) or not a hand-over at all.
std::optional<HandOver> decode(QDataStream& in, bool& malformed) {
  in.startTransaction();
  quint32 tag = 0;
  bool hasSize = false;
  QString size;
  QStringList paths;
  in >> tag >> hasSize >> size >> paths;
  if (!in.commitTransaction()) return std::nullopt;
  malformed = tag != kHandOverTag;
  if (malformed) return std::nullopt;
  HandOver handOver;
  if (hasSize) handOver.size = size.toStdString();
  for (const QString& path : paths) handOver.paths.push_back(path.toStdString());
  return handOver;
}

}  // namespace

QString WindowSocketName() {
  QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && QFileInfo(runtime).isDir())
    return QDir(runtime).filePath("lumivex.socket");
  return QString("lumivex-%1").arg(static_cast<qulonglong>(::getuid()));
}

bool HandToOpenWindow(const HandOver& handOver, int timeoutMilliseconds) {
  QLocalSocket socket;
  socket.connectToServer(WindowSocketName());
  if (!socket.waitForConnected(timeoutMilliseconds)) return false;
  socket.write(encode(handOver));
  if (!socket.waitForBytesWritten(timeoutMilliseconds)) return false;
  while (socket.bytesAvailable() == 0)
    if (!socket.waitForReadyRead(timeoutMilliseconds)) return false;
  char answer = 0;
  return socket.getChar(&answer) && answer == kTaken;
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
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { read(socket); });
    read(socket);
  }
}

void WindowListener::read(QLocalSocket* socket) {
  QDataStream in(socket);
  in.setVersion(QDataStream::Qt_6_0);
  bool malformed = socket->bytesAvailable() > kMaxMessageBytes;
  if (malformed) return socket->abort();
  std::optional<HandOver> handOver = decode(in, malformed);
  if (malformed) socket->abort();
  if (!handOver) return;
  socket->putChar(kTaken);
  socket->flush();
  QMetaObject::invokeMethod(
      this, [this, taken = *handOver] { receive_(taken); }, Qt::QueuedConnection);
}

}  // namespace lumivex::ui
