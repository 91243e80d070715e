// One running Corvane per user: an advisory lock on a file in the user's runtime directory. The
// kernel drops the lock when its holder ends, however it ends, so a crash never blocks a start.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QStringList>
#include <functional>
#include <string>

class QLocalServer;

namespace corvane {

inline constexpr const char* kAlreadyRunningText = "Corvane is already running..";

class SingleInstanceLock {
 public:
  // Locks `path`; empty: the default file ($XDG_RUNTIME_DIR/corvane.lock, else
  // /tmp/corvane-<uid>.lock).
  explicit SingleInstanceLock(std::string path = {});
  ~SingleInstanceLock();
  SingleInstanceLock(const SingleInstanceLock&) = delete;
  SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

  // False when another process holds the lock. A lock file that cannot be created at all does not
  // stop the program: it then runs unguarded rather than not at all.
  bool acquired() const { return acquired_; }
  static std::string defaultPath();

 private:
  int fd_ = -1;
  bool acquired_ = false;
};

// A second start with files hands them to the running program over a local socket beside the
// lock file, instead of saying that Corvane is already running. The request is each absolute
// file name (as the file system spells it) ended by a zero byte, then one more zero byte; the
// running program opens the files and answers one byte so the sender knows they arrived.
class FileHandOver : public QObject {
 public:
  using OpenFiles = std::function<void(const QStringList& files)>;

  explicit FileHandOver(OpenFiles openFiles, QObject* parent = nullptr);
  ~FileHandOver() override;

  // Serves at `socketPath` (empty: defaultSocketPath()). Call only while holding the
  // SingleInstanceLock: a socket file left there by a program that ended is replaced.
  bool listen(const QString& socketPath = {});
  // Sends `files` to the program serving at `socketPath`; relative names are taken from the
  // current folder. False when nothing serves there or it did not confirm within `timeoutMs`.
  static bool send(const QStringList& files, const QString& socketPath = {}, int timeoutMs = 5000);
  static QString defaultSocketPath();

 private:
  QLocalServer* server_ = nullptr;
  OpenFiles openFiles_;
};

}  // namespace corvane
