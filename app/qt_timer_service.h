// The session's timers (reply time-out, USB poll, focus keeper, real-time loop) on Qt timers of
// the GUI thread, and the links' descriptor readiness on Qt socket notifiers.
#pragma once

#include "link/io_watch.h"
#include "link/timer_service.h"

namespace corvane {

class QtTimerService : public TimerService {
 public:
  // A 1 ms timer (the USB poll) runs as a precise timer; the others as coarse ones, which lets
  // the system bundle their wake-ups.
  std::unique_ptr<Timer> createTimer(int intervalMs, std::function<void()> onExpiry) override;
};

// A read notifier per watch; it also fires when the descriptor is hung up or failed.
class QtIoWatchService : public IoWatchService {
 public:
  std::unique_ptr<IoWatch> watchReadable(int fd, std::function<void()> onReady) override;
};

}  // namespace corvane
