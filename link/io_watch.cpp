#include "link/io_watch.h"

#include <algorithm>
#include <cerrno>

namespace corvane {

struct PollIoWatchService::Entry {
  PollIoWatchService* owner = nullptr;  // cleared when the service goes first
  int fd = -1;
  bool enabled = true;
  std::function<void()> onReady;
};

class PollIoWatch : public IoWatch {
 public:
  explicit PollIoWatch(std::shared_ptr<PollIoWatchService::Entry> entry)
      : entry_(std::move(entry)) {}
  ~PollIoWatch() override {
    entry_->enabled = false;
    if (PollIoWatchService* s = entry_->owner) {
      auto& v = s->entries_;
      v.erase(std::remove(v.begin(), v.end(), entry_), v.end());
    }
  }
  void setEnabled(bool enabled) override { entry_->enabled = enabled; }
  bool enabled() const override { return entry_->enabled; }

 private:
  std::shared_ptr<PollIoWatchService::Entry> entry_;
};

PollIoWatchService::PollIoWatchService() = default;

PollIoWatchService::~PollIoWatchService() {
  for (auto& e : entries_) e->owner = nullptr;
}

std::unique_ptr<IoWatch> PollIoWatchService::watchReadable(int fd, std::function<void()> onReady) {
  auto e = std::make_shared<Entry>();
  e->owner = this;
  e->fd = fd;
  e->onReady = std::move(onReady);
  entries_.push_back(e);
  return std::make_unique<PollIoWatch>(std::move(e));
}

bool PollIoWatchService::anyEnabled() const {
  return std::any_of(entries_.begin(), entries_.end(),
                     [](const auto& e) { return e->enabled && e->fd >= 0; });
}

void PollIoWatchService::appendPollFds(std::vector<pollfd>& fds) {
  polled_.clear();
  for (const auto& e : entries_) {
    if (!e->enabled || e->fd < 0) continue;
    fds.push_back(pollfd{e->fd, POLLIN, 0});
    polled_.push_back(e);
  }
}

int PollIoWatchService::dispatch(const std::vector<pollfd>& fds, std::size_t first) {
  // A handler may destroy or disable any watch: the snapshot keeps the entries alive, and each one
  // is checked again before its handler runs.
  const std::vector<std::shared_ptr<Entry>> polled = std::move(polled_);
  polled_.clear();
  int called = 0;
  for (std::size_t i = 0; i < polled.size() && first + i < fds.size(); ++i) {
    const auto& e = polled[i];
    if (fds[first + i].revents == 0 || !e->enabled || e->owner != this) continue;
    ++called;
    if (e->onReady) e->onReady();
  }
  return called;
}

int PollIoWatchService::wait(int timeoutMs) {
  std::vector<pollfd> fds;
  appendPollFds(fds);
  const int r = ::poll(fds.empty() ? nullptr : fds.data(), fds.size(), timeoutMs);
  if (r <= 0) {
    polled_.clear();
    return 0;
  }
  return dispatch(fds, 0);
}

}  // namespace corvane
