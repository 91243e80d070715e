// What the end-to-end tests share: the manual clock driven along with real time, and a check of a
// trace against the levels it should sit on.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

#include "analysis/waveform_block.h"
#include "link/timer_service.h"

namespace corvane::e2e {

// Generous: a sanitizer build on a loaded machine is slow, and a passing run never waits this long.
inline constexpr int kReplyLimitMs = 8000;

// Steps the manual clock by the real time that passed, in short real sleeps, until done() holds or
// limitMs of real time have gone. The simulator paces its output in real time, so the drivers'
// poll timers see the line as they would in the program.
inline bool pumpUntil(ManualTimerService& clock, const std::function<bool()>& done,
                      int limitMs = kReplyLimitMs) {
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  auto stepped = start;
  while (!done()) {
    if (Clock::now() - start > std::chrono::milliseconds(limitMs)) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    const auto now = Clock::now();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now - stepped).count();
    if (ms > 0) {
      clock.advance(ms);
      stepped += std::chrono::milliseconds(ms);
    }
  }
  return true;
}

// How the first 500 points of one channel fall on the expected levels (within +-tolerance codes).
struct LevelCount {
  int low = 0;
  int high = 0;
  int neither = 0;
};

inline LevelCount countLevels(const WaveformBlock& block, int ch, int low, int high,
                              int tolerance) {
  LevelCount c;
  for (int i = 0; i < 500; ++i) {
    const int v = block.sample(ch, i);
    if (std::abs(v - low) <= tolerance) {
      ++c.low;
    } else if (std::abs(v - high) <= tolerance) {
      ++c.high;
    } else {
      ++c.neither;
    }
  }
  return c;
}

}  // namespace corvane::e2e
