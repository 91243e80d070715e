// Timers and descriptor readiness on the steady clock for the command-line tool: one thread, no
// event loop of a toolkit. runUntil() sleeps in poll(2) until the next timer is due or a watched
// descriptor is ready and runs the handlers, so an idle process costs nothing between ticks. A
// signal (SIGINT for `watch`) can wake it through requestInterrupt(), which is safe to call from a
// signal handler.
#pragma once

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "link/io_watch.h"
#include "link/timer_service.h"

namespace corvane {

class RealTimeTimerService : public TimerService, public IoWatchService {
 public:
  using Clock = std::chrono::steady_clock;

  enum class RunResult {
    kDone,         // done() answered true
    kLimit,        // the time limit passed
    kInterrupted,  // requestInterrupt() was called (and not yet cleared)
  };

  RealTimeTimerService();
  ~RealTimeTimerService() override;
  RealTimeTimerService(const RealTimeTimerService&) = delete;
  RealTimeTimerService& operator=(const RealTimeTimerService&) = delete;

  // The same semantics as ManualTimerService: start() arms the timer one interval from now,
  // setInterval() on a running timer re-arms it, an interval below 1 ms counts as 1 ms. A late
  // timer fires once and keeps its cadence; ticks missed while a callback ran long are skipped,
  // never fired in a burst.
  std::unique_ptr<Timer> createTimer(int intervalMs, std::function<void()> onExpiry) override;
  // Handlers of ready descriptors run from runUntil's sleep, before the timers due after it.
  std::unique_ptr<IoWatch> watchReadable(int fd, std::function<void()> onReady) override {
    return watches_.watchReadable(fd, std::move(onReady));
  }

  // Fires due timers (earliest due first, ties in creation order) and sleeps in between, until
  // done() is true (checked before the first wait and after every callback), limit has passed, or
  // an interrupt is pending. Timers due at or before the limit still fire, as advance() would.
  // done may be empty. Callbacks may create, start, stop or destroy timers, their own included.
  RunResult runUntil(const std::function<bool()>& done, std::chrono::milliseconds limit);
  RunResult runFor(std::chrono::milliseconds limit) { return runUntil({}, limit); }

  // Wakes a sleeping runUntil and makes every runUntil return kInterrupted until cleared.
  // Async-signal-safe and callable from any thread.
  void requestInterrupt() noexcept;
  bool interruptRequested() const noexcept { return interrupted_.load(); }
  void clearInterrupt() noexcept;

  // Milliseconds since the service was created.
  int64_t nowMs() const;
  // Milliseconds until the next active timer is due (0 when overdue, -1 when none is active).
  int64_t nextDueMs() const;
  // Timer callbacks fired so far (for the tool's statistics and for tests).
  uint64_t firedCount() const { return fired_; }

  struct Entry;

 private:
  friend class RealTimeTimer;
  std::shared_ptr<Entry> earliestActive() const;
  void waitUntil(Clock::time_point until);
  void drainWakePipe() noexcept;

  Clock::time_point epoch_;
  std::vector<std::shared_ptr<Entry>> entries_;  // creation order
  PollIoWatchService watches_;
  std::atomic<bool> interrupted_{false};
  int wakeRead_ = -1;
  int wakeWrite_ = -1;
  uint64_t fired_ = 0;
};

// While it lives, a signal (SIGINT by default) calls service.requestInterrupt() instead of
// ending the process; the previous handler comes back afterwards. One guard per signal at a time;
// a second guard for the same signal replaces the first's service until it is destroyed.
class SignalInterruptGuard {
 public:
  explicit SignalInterruptGuard(RealTimeTimerService& service, int signalNumber = SIGINT);
  ~SignalInterruptGuard();
  SignalInterruptGuard(const SignalInterruptGuard&) = delete;
  SignalInterruptGuard& operator=(const SignalInterruptGuard&) = delete;

  bool installed() const { return installed_; }

 private:
  int signal_;
  bool installed_ = false;
  RealTimeTimerService* previousService_ = nullptr;
  struct sigaction previousAction_ {};
};

}  // namespace corvane
