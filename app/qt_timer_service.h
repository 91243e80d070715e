// The session's timers (reply time-out, USB poll, focus keeper, real-time loop) on Qt timers of
// the GUI thread.
#pragma once

#include "link/timer_service.h"

namespace corvane {

class QtTimerService : public TimerService {
 public:
  // A 1 ms timer (the USB poll) runs as a precise timer; the others as coarse ones, which lets
  // the system bundle their wake-ups.
  std::unique_ptr<Timer> createTimer(int intervalMs, std::function<void()> onExpiry) override;
};

}  // namespace corvane
