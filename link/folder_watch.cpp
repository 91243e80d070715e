#include "link/folder_watch.h"

#include <sys/inotify.h>
#include <unistd.h>

namespace corvane {

FolderWatch::FolderWatch(const std::vector<std::string>& folders) {
  fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fd_ < 0) return;
  // A node appears (created, or renamed into place by udev), gets its final permissions, or goes.
  constexpr uint32_t kEvents = IN_CREATE | IN_MOVED_TO | IN_ATTRIB | IN_DELETE | IN_MOVED_FROM;
  for (const std::string& folder : folders) {
    if (::inotify_add_watch(fd_, folder.c_str(), kEvents | IN_ONLYDIR) >= 0) ++watched_;
  }
}

FolderWatch::~FolderWatch() {
  if (fd_ >= 0) ::close(fd_);
}

bool FolderWatch::drain() {
  if (fd_ < 0) return false;
  bool any = false;
  alignas(inotify_event) char buf[4096];
  while (::read(fd_, buf, sizeof buf) > 0) any = true;
  return any;
}

}  // namespace corvane
