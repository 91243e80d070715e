// Readiness of file descriptors: the links read when their descriptor says bytes are there, and
// learn of a hang-up the same way, instead of asking on a timer. The program watches through Qt's
// socket notifiers; corvane-cli and tests through poll(2).
#pragma once

#include <poll.h>

#include <functional>
#include <memory>
#include <vector>

namespace corvane {

// One watched descriptor. Destroy (or disable) it before the descriptor is closed.
class IoWatch {
 public:
  virtual ~IoWatch() = default;
  virtual void setEnabled(bool enabled) = 0;
  virtual bool enabled() const = 0;
};

class IoWatchService {
 public:
  virtual ~IoWatchService() = default;
  // Calls onReady while `fd` has bytes to read or is hung up or failed (level-triggered: again on
  // every pass of the event loop until the handler has taken the bytes or closed the device). The
  // watch starts enabled. Handlers may create and destroy watches, their own included.
  virtual std::unique_ptr<IoWatch> watchReadable(int fd, std::function<void()> onReady) = 0;
};

// Watches on poll(2), for a single-threaded loop: wait() sleeps until a watched descriptor is ready
// (or the time-out passes) and calls the handlers of the ready ones, in creation order.
class PollIoWatchService : public IoWatchService {
 public:
  PollIoWatchService();
  ~PollIoWatchService() override;
  PollIoWatchService(const PollIoWatchService&) = delete;
  PollIoWatchService& operator=(const PollIoWatchService&) = delete;

  std::unique_ptr<IoWatch> watchReadable(int fd, std::function<void()> onReady) override;

  // Waits at most timeoutMs (-1: for ever, 0: only looks) and dispatches; returns the number of
  // handlers called (0 after a time-out or an interrupting signal).
  int wait(int timeoutMs);
  // For a loop that polls more descriptors of its own: appends one pollfd per enabled watch, and
  // after the poll dispatches those of them that are ready (`fds` from index `first` on).
  void appendPollFds(std::vector<pollfd>& fds);
  int dispatch(const std::vector<pollfd>& fds, std::size_t first);
  bool anyEnabled() const;

  struct Entry;

 private:
  friend class PollIoWatch;
  std::vector<std::shared_ptr<Entry>> entries_;
  std::vector<std::shared_ptr<Entry>> polled_;  // the entries behind the last appendPollFds
};

}  // namespace corvane
