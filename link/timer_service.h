// Injected time: the core asks for timers and is called back on expiry; it never reads a clock.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace corvane {

// A periodic timer in the manner of a GUI timer: start() (re)arms it one interval from now,
// setInterval() on a running timer re-arms it with the new interval.
class Timer {
 public:
  virtual ~Timer() = default;
  virtual void start() = 0;
  virtual void stop() = 0;
  virtual void setInterval(int ms) = 0;
  virtual int interval() const = 0;
  virtual bool active() const = 0;
};

class TimerService {
 public:
  virtual ~TimerService() = default;
  virtual std::unique_ptr<Timer> createTimer(int intervalMs, std::function<void()> onExpiry) = 0;
};

// Deterministic clock for tests and for single-threaded schedulers: advance() steps time one
// millisecond at a time and fires every timer due at that millisecond, in creation order.
class ManualTimerService : public TimerService {
 public:
  ManualTimerService();
  ~ManualTimerService() override;
  std::unique_ptr<Timer> createTimer(int intervalMs, std::function<void()> onExpiry) override;

  void advance(int64_t ms);
  int64_t now() const { return now_; }
  // Milliseconds until the next active timer is due (-1 when none is active).
  int64_t nextDue() const;

  struct Entry;

 private:
  friend class ManualTimer;
  int64_t now_ = 0;
  std::vector<Entry*> entries_;
};

}  // namespace corvane
