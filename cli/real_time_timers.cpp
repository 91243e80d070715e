#include "cli/real_time_timers.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <vector>

namespace corvane {

static_assert(std::atomic<bool>::is_always_lock_free, "the interrupt flag is set from a handler");
static_assert(std::atomic<RealTimeTimerService*>::is_always_lock_free);

struct RealTimeTimerService::Entry {
  RealTimeTimerService* owner = nullptr;  // cleared when the service goes first
  int intervalMs = 0;
  bool active = false;
  Clock::time_point due{};
  std::function<void()> onExpiry;
};

namespace {

using Clock = RealTimeTimerService::Clock;

Clock::duration periodOf(int intervalMs) {
  return std::chrono::milliseconds(std::max(1, intervalMs));
}

}  // namespace

class RealTimeTimer : public Timer {
 public:
  explicit RealTimeTimer(std::shared_ptr<RealTimeTimerService::Entry> entry)
      : entry_(std::move(entry)) {}
  ~RealTimeTimer() override {
    entry_->active = false;
    if (RealTimeTimerService* s = entry_->owner) {
      auto& v = s->entries_;
      v.erase(std::remove(v.begin(), v.end(), entry_), v.end());
    }
    // A callback running right now keeps the entry alive until it returns.
  }
  void start() override {
    entry_->active = true;
    entry_->due = Clock::now() + periodOf(entry_->intervalMs);
  }
  void stop() override { entry_->active = false; }
  void setInterval(int ms) override {
    entry_->intervalMs = ms;
    if (entry_->active) start();
  }
  int interval() const override { return entry_->intervalMs; }
  bool active() const override { return entry_->active; }

 private:
  std::shared_ptr<RealTimeTimerService::Entry> entry_;
};

RealTimeTimerService::RealTimeTimerService() : epoch_(Clock::now()) {
  int fds[2];
  // Without the pipe a signal still cuts the sleep short (EINTR); only a signal arriving just
  // before the sleep would then wait for the next due timer.
  if (::pipe2(fds, O_NONBLOCK | O_CLOEXEC) == 0) {
    wakeRead_ = fds[0];
    wakeWrite_ = fds[1];
  }
}

RealTimeTimerService::~RealTimeTimerService() {
  for (auto& e : entries_) e->owner = nullptr;
  if (wakeRead_ >= 0) ::close(wakeRead_);
  if (wakeWrite_ >= 0) ::close(wakeWrite_);
}

std::unique_ptr<Timer> RealTimeTimerService::createTimer(int intervalMs,
                                                         std::function<void()> onExpiry) {
  auto e = std::make_shared<Entry>();
  e->owner = this;
  e->intervalMs = intervalMs;
  e->onExpiry = std::move(onExpiry);
  entries_.push_back(e);
  return std::make_unique<RealTimeTimer>(std::move(e));
}

std::shared_ptr<RealTimeTimerService::Entry> RealTimeTimerService::earliestActive() const {
  std::shared_ptr<Entry> best;
  for (const auto& e : entries_) {
    if (e->active && (!best || e->due < best->due)) best = e;  // strict: ties keep creation order
  }
  return best;
}

int64_t RealTimeTimerService::nowMs() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - epoch_).count();
}

int64_t RealTimeTimerService::nextDueMs() const {
  const auto e = earliestActive();
  if (!e) return -1;
  const auto left = e->due - Clock::now();
  if (left <= Clock::duration::zero()) return 0;
  // Rounded up, so that sleeping this long always reaches the due time.
  return std::chrono::ceil<std::chrono::milliseconds>(left).count();
}

RealTimeTimerService::RunResult RealTimeTimerService::runUntil(const std::function<bool()>& done,
                                                               std::chrono::milliseconds limit) {
  const Clock::time_point start = Clock::now();
  limit = std::max(limit, std::chrono::milliseconds::zero());
  const auto room =
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::time_point::max() - start);
  const Clock::time_point deadline = limit >= room ? Clock::time_point::max() : start + limit;

  for (;;) {
    if (interrupted_.load()) return RunResult::kInterrupted;
    if (done && done()) return RunResult::kDone;
    const Clock::time_point now = Clock::now();
    std::shared_ptr<Entry> e = earliestActive();
    if (e && e->due <= now && e->due <= deadline) {
      // Re-armed before the callback, so that a start() or stop() inside it wins.
      const Clock::duration period = periodOf(e->intervalMs);
      Clock::time_point next = e->due + period;
      if (next <= now) next = now + period;
      e->due = next;
      ++fired_;
      if (e->onExpiry) e->onExpiry();
      continue;
    }
    if (now >= deadline) return RunResult::kLimit;
    waitUntil(e && e->due < deadline ? e->due : deadline);
  }
}

void RealTimeTimerService::waitUntil(Clock::time_point until) {
  timespec ts{};
  timespec* timeout = nullptr;
  if (until != Clock::time_point::max()) {
    const auto left = std::max(until - Clock::now(), Clock::duration::zero());
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
    ts.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
    ts.tv_nsec = static_cast<long>(ns % 1'000'000'000);
    timeout = &ts;
  }
  std::vector<pollfd> fds;
  if (wakeRead_ >= 0) fds.push_back(pollfd{wakeRead_, POLLIN, 0});
  const std::size_t firstWatch = fds.size();
  watches_.appendPollFds(fds);
  const int r = ::ppoll(fds.empty() ? nullptr : fds.data(), fds.size(), timeout, nullptr);
  if (r <= 0) {
    // EINTR and anything else: the caller looks at the clock and the flags again.
    watches_.dispatch({}, 0);
    return;
  }
  if (firstWatch > 0 && fds[0].revents != 0) drainWakePipe();
  watches_.dispatch(fds, firstWatch);
}

void RealTimeTimerService::drainWakePipe() noexcept {
  char buf[64];
  while (::read(wakeRead_, buf, sizeof buf) > 0) {
  }
}

void RealTimeTimerService::requestInterrupt() noexcept {
  interrupted_.store(true);
  if (wakeWrite_ < 0) return;
  const int savedErrno = errno;
  const char byte = 1;
  // A full pipe already holds a wake-up.
  const ssize_t r = ::write(wakeWrite_, &byte, 1);
  (void)r;
  errno = savedErrno;
}

void RealTimeTimerService::clearInterrupt() noexcept {
  interrupted_.store(false);
  if (wakeRead_ >= 0) drainWakePipe();
}

namespace {

std::atomic<RealTimeTimerService*> signalTargets[NSIG];

extern "C" void onInterruptSignal(int signalNumber) {
  if (signalNumber <= 0 || signalNumber >= NSIG) return;
  if (RealTimeTimerService* s = signalTargets[signalNumber].load()) s->requestInterrupt();
}

}  // namespace

SignalInterruptGuard::SignalInterruptGuard(RealTimeTimerService& service, int signalNumber)
    : signal_(signalNumber) {
  if (signalNumber <= 0 || signalNumber >= NSIG) return;
  previousService_ = signalTargets[signalNumber].exchange(&service);
  struct sigaction sa {};
  sa.sa_handler = onInterruptSignal;
  sigemptyset(&sa.sa_mask);
  // Other blocking calls carry on; the sleep of runUntil is woken through the pipe.
  sa.sa_flags = SA_RESTART;
  if (::sigaction(signalNumber, &sa, &previousAction_) != 0) {
    signalTargets[signalNumber].store(previousService_);
    return;
  }
  installed_ = true;
}

SignalInterruptGuard::~SignalInterruptGuard() {
  if (!installed_) return;
  ::sigaction(signal_, &previousAction_, nullptr);
  signalTargets[signal_].store(previousService_);
}

}  // namespace corvane
