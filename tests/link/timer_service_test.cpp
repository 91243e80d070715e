#include "link/timer_service.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(ManualTimerService, FiresPeriodicallyAndRearmsOnIntervalChange) {
  ManualTimerService clock;
  int fired = 0;
  auto t = clock.createTimer(50, [&] { ++fired; });
  clock.advance(100);
  EXPECT_EQ(fired, 0);  // not started
  t->start();
  clock.advance(49);
  EXPECT_EQ(fired, 0);
  clock.advance(1);
  EXPECT_EQ(fired, 1);
  clock.advance(100);
  EXPECT_EQ(fired, 3);
  clock.advance(20);
  t->setInterval(500);  // re-armed from now
  clock.advance(499);
  EXPECT_EQ(fired, 3);
  clock.advance(1);
  EXPECT_EQ(fired, 4);
  t->stop();
  clock.advance(2000);
  EXPECT_EQ(fired, 4);
}

TEST(ManualTimerService, CallbacksMayStopOtherTimersAndThemselves) {
  ManualTimerService clock;
  int a = 0, b = 0;
  std::unique_ptr<Timer> tb;
  auto ta = clock.createTimer(10, [&] {
    ++a;
    tb->stop();
  });
  tb = clock.createTimer(10, [&] { ++b; });
  ta->start();
  tb->start();
  clock.advance(10);
  EXPECT_EQ(a, 1);
  EXPECT_EQ(b, 0);  // stopped by the earlier timer in the same millisecond
  EXPECT_EQ(clock.nextDue(), 10);
}

}  // namespace
}  // namespace corvane
