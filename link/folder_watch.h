// Notice of entries that appear, change or go in a few folders (inotify), for a device that is
// watched for instead of being opened again and again. The descriptor is readable while events
// wait; drain() takes them.
#pragma once

#include <string>
#include <vector>

namespace corvane {

class FolderWatch {
 public:
  // Folders that do not exist (or cannot be watched) are skipped; valid() is false when none
  // could be watched.
  explicit FolderWatch(const std::vector<std::string>& folders);
  ~FolderWatch();
  FolderWatch(const FolderWatch&) = delete;
  FolderWatch& operator=(const FolderWatch&) = delete;

  bool valid() const { return fd_ >= 0 && watched_ > 0; }
  int fd() const { return fd_; }
  // Reads every waiting event; true when at least one was there.
  bool drain();

 private:
  int fd_ = -1;
  int watched_ = 0;
};

}  // namespace corvane
