#include "app/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

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

}  // namespace corvane
