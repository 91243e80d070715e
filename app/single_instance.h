// One running Corvane per user: an advisory lock on a file in the user's runtime directory. The
// kernel drops the lock when its holder ends, however it ends, so a crash never blocks a start.
#pragma once

#include <string>

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

}  // namespace corvane
