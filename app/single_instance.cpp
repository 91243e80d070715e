#include "app/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <cerrno>
#include <cstdlib>
#include <memory>

namespace corvane {

std::string SingleInstanceLock::defaultPath() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && runtime[0] == '/' && access(runtime, W_OK) == 0) {
    return std::string(runtime) + "/corvane.lock";
  }
  return "/tmp/corvane-" + std::to_string(getuid()) + ".lock";
}

SingleInstanceLock::SingleInstanceLock(std::string path) {
  if (path.empty()) path = defaultPath();
  fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd_ < 0) {
    acquired_ = true;
    return;
  }
  int rc;
  do {
    rc = flock(fd_, LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  acquired_ = rc == 0 || errno != EWOULDBLOCK;
}

SingleInstanceLock::~SingleInstanceLock() {
  if (fd_ >= 0) ::close(fd_);
}

// ---------------------------------------------------------------- file hand-over

namespace {

constexpr char kHandOverDone = '\x06';
// A request larger than this is no list of file names a desktop would pass.
constexpr qsizetype kMaxRequestBytes = 1 << 20;

}  // namespace

FileHandOver::FileHandOver(OpenFiles openFiles, QObject* parent)
    : QObject(parent), openFiles_(std::move(openFiles)) {}

FileHandOver::~FileHandOver() = default;

QString FileHandOver::defaultSocketPath() {
  QString path = QString::fromStdString(SingleInstanceLock::defaultPath());
  path.chop(int(sizeof(".lock")) - 1);
  return path + QStringLiteral(".socket");
}

bool FileHandOver::listen(const QString& socketPath) {
  const QString path = socketPath.isEmpty() ? defaultSocketPath() : socketPath;
  delete server_;
  server_ = new QLocalServer(this);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  QLocalServer::removeServer(path);
  if (!server_->listen(path)) return false;
  connect(server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
      connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
      auto request = std::make_shared<QByteArray>();
      connect(socket, &QLocalSocket::readyRead, this, [this, socket, request] {
        request->append(socket->readAll());
        if (request->size() > kMaxRequestBytes) {
          socket->abort();
          return;
        }
        if (!request->endsWith(QByteArray(2, '\0'))) return;
        QStringList files;
        for (const QByteArray& name : request->chopped(2).split('\0')) {
          files << QFile::decodeName(name);
        }
        request->clear();
        socket->write(&kHandOverDone, 1);
        socket->flush();
        openFiles_(files);
      });
    }
  });
  return true;
}

bool FileHandOver::send(const QStringList& files, const QString& socketPath, int timeoutMs) {
  if (files.isEmpty()) return false;
  QByteArray request;
  for (const QString& file : files) {
    request += QFile::encodeName(QFileInfo(file).absoluteFilePath());
    request += '\0';
  }
  request += '\0';
  QLocalSocket socket;
  socket.connectToServer(socketPath.isEmpty() ? defaultSocketPath() : socketPath);
  if (!socket.waitForConnected(timeoutMs)) return false;
  socket.write(request);
  while (socket.bytesToWrite() > 0) {
    if (!socket.waitForBytesWritten(timeoutMs)) return false;
  }
  while (socket.bytesAvailable() == 0) {
    if (!socket.waitForReadyRead(timeoutMs)) return false;
  }
  char answer = 0;
  const bool done = socket.read(&answer, 1) == 1 && answer == kHandOverDone;
  socket.disconnectFromServer();
  return done;
}

}  // namespace corvane
