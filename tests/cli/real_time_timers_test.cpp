// The command-line tool's real-time timers, with small real intervals: the assertions are on order
// and counts with generous bounds, so a loaded machine makes them slower, never wrong.
#include "cli/real_time_timers.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace corvane {
namespace {

using namespace std::chrono_literals;
using Result = RealTimeTimerService::RunResult;

double threadCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

TEST(RealTimeTimers, DueTimersFireInOrderAtTheirCadence) {
  RealTimeTimerService service;
  std::string order;
  int fast = 0, slow = 0;
  auto a = service.createTimer(20, [&] { order += 'a'; });
  auto b = service.createTimer(20, [&] { order += 'b'; });
  auto f = service.createTimer(5, [&] { ++fast; });
  auto s = service.createTimer(50, [&] { ++slow; });
  EXPECT_EQ(service.nextDueMs(), -1);  // nothing started yet
  a->start();
  b->start();
  f->start();
  s->start();
  EXPECT_TRUE(a->active());
  EXPECT_EQ(a->interval(), 20);

  EXPECT_EQ(service.runFor(200ms), Result::kLimit);
  // Started in this order with one interval, a is always due just before b.
  ASSERT_GE(order.size(), 4u);
  for (std::size_t i = 0; i + 1 < order.size(); i += 2) EXPECT_EQ(order.substr(i, 2), "ab");
  EXPECT_LE(order.size(), 20u);  // at most 10 ticks of each in 200 ms
  EXPECT_LE(fast, 40);
  EXPECT_GE(fast, 10);
  EXPECT_LE(slow, 4);
  EXPECT_GE(slow, 1);
  EXPECT_EQ(service.firedCount(), order.size() + std::size_t(fast + slow));
  EXPECT_GE(service.nextDueMs(), 0);
  EXPECT_LE(service.nextDueMs(), 5);
}

TEST(RealTimeTimers, StartRearmsAndSetIntervalRearmsOnlyARunningTimer) {
  RealTimeTimerService service;
  int fired = 0;
  auto t = service.createTimer(200, [&] { ++fired; });
  t->start();
  service.runFor(100ms);
  t->start();  // due 200 ms from here, not from the first start
  service.runFor(120ms);
  EXPECT_EQ(fired, 0);
  service.runFor(150ms);
  EXPECT_EQ(fired, 1);

  t->setInterval(300);  // running: re-armed 300 ms from now
  service.runFor(200ms);
  EXPECT_EQ(fired, 1);
  service.runFor(200ms);
  EXPECT_EQ(fired, 2);

  t->stop();
  t->setInterval(10);  // stopped: stays stopped
  EXPECT_FALSE(t->active());
  EXPECT_EQ(t->interval(), 10);
  service.runFor(60ms);
  EXPECT_EQ(fired, 2);
}

TEST(RealTimeTimers, CallbacksMayStopRestartCreateAndDestroyTimers) {
  RealTimeTimerService service;
  std::unique_ptr<Timer> once, self, child;
  int onceFired = 0, selfFired = 0, childFired = 0, restarts = 0;
  once = service.createTimer(5, [&] {
    ++onceFired;
    once->stop();
  });
  self = service.createTimer(5, [&] {
    ++selfFired;
    child = service.createTimer(5, [&] { ++childFired; });
    child->start();
    self.reset();  // destroys the timer whose callback is running
  });
  std::unique_ptr<Timer> restarter;
  restarter = service.createTimer(5, [&] {
    // Re-armed from inside its callback: the new interval wins over the old cadence.
    if (++restarts == 1) restarter->setInterval(40);
    service.createTimer(1, [] { ADD_FAILURE() << "dropped at once, never fires"; });
  });
  once->start();
  self->start();
  restarter->start();
  service.runFor(100ms);
  EXPECT_EQ(onceFired, 1);
  EXPECT_EQ(selfFired, 1);
  EXPECT_EQ(self, nullptr);
  EXPECT_GE(childFired, 3);
  EXPECT_GE(restarts, 1);
  EXPECT_LE(restarts, 3);  // at 5, 45 and 85 ms; about 20 at the old 5 ms
  EXPECT_FALSE(once->active());
}

TEST(RealTimeTimers, RunUntilStopsRightAfterTheCallbackThatFinishesTheWork) {
  RealTimeTimerService service;
  int fired = 0;
  auto t = service.createTimer(2, [&] { ++fired; });
  t->start();
  EXPECT_EQ(service.runUntil([&] { return fired == 3; }, 10s), Result::kDone);
  EXPECT_EQ(fired, 3);
  // Already done: returns before any wait or callback.
  EXPECT_EQ(service.runUntil([] { return true; }, 10s), Result::kDone);
  EXPECT_EQ(fired, 3);

  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(service.runUntil([] { return false; }, 30ms), Result::kLimit);
  EXPECT_GE(std::chrono::steady_clock::now() - start, 30ms);
  EXPECT_GE(fired, 5);
  // A zero or negative limit only fires what is already due.
  t->stop();
  EXPECT_EQ(service.runFor(-5ms), Result::kLimit);
}

TEST(RealTimeTimers, ALongCallbackSkipsMissedTicksInsteadOfBursting) {
  RealTimeTimerService service;
  int fired = 0;
  auto t = service.createTimer(20, [&] {
    if (++fired == 1) std::this_thread::sleep_for(100ms);
  });
  t->start();
  service.runFor(200ms);
  // Ticks at 20, 120 (late once), then every 20 ms up to 200: 6. Catching up the four ticks
  // missed during the long callback would make 10.
  EXPECT_LE(fired, 7);
  EXPECT_GE(fired, 3);
}

TEST(RealTimeTimers, AnInterruptWakesASleepingRunAndStaysUntilCleared) {
  RealTimeTimerService service;
  auto idle = service.createTimer(60'000, [] {});
  idle->start();
  std::thread waker([&] {
    std::this_thread::sleep_for(50ms);
    service.requestInterrupt();
  });
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(service.runFor(20s), Result::kInterrupted);
  waker.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
  EXPECT_TRUE(service.interruptRequested());
  EXPECT_EQ(service.runFor(10s), Result::kInterrupted);  // still pending
  service.clearInterrupt();
  EXPECT_FALSE(service.interruptRequested());
  EXPECT_EQ(service.runFor(10ms), Result::kLimit);  // and the pipe holds no stale wake-up
}

TEST(RealTimeTimers, SigintWakesTheRunWhileTheGuardLivesAndTheOldHandlerReturns) {
  struct sigaction before {};
  sigaction(SIGINT, nullptr, &before);
  RealTimeTimerService service;
  {
    SignalInterruptGuard guard(service);
    ASSERT_TRUE(guard.installed());
    std::thread sender([] {
      std::this_thread::sleep_for(50ms);
      kill(getpid(), SIGINT);
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(service.runFor(20s), Result::kInterrupted);
    sender.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
  }
  struct sigaction after {};
  sigaction(SIGINT, nullptr, &after);
  EXPECT_EQ(after.sa_handler, before.sa_handler);

  SignalInterruptGuard bad(service, 0);
  EXPECT_FALSE(bad.installed());
}

TEST(RealTimeTimers, SleepsBetweenTicksInsteadOfSpinning) {
  RealTimeTimerService service;
  const double idleStart = threadCpuSeconds();
  service.runFor(200ms);  // no timer at all
  EXPECT_LT(threadCpuSeconds() - idleStart, 0.02);

  // The USB poll's 1 ms timer: a thousand wake-ups a second, each a few microseconds of work.
  int ticks = 0;
  auto poll = service.createTimer(1, [&] { ++ticks; });
  poll->start();
  const double cpuStart = threadCpuSeconds();
  const auto wallStart = std::chrono::steady_clock::now();
  service.runFor(500ms);
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
  const double cpu = threadCpuSeconds() - cpuStart;
  EXPECT_GE(ticks, 100);
  EXPECT_LE(ticks, 501);
  // A busy loop would use the whole 0.5 s.
  EXPECT_LT(cpu, 0.25 * wall) << "cpu " << cpu << " s of " << wall << " s";
}

TEST(RealTimeTimers, TimersOutlivingTheServiceAreHarmless) {
  std::unique_ptr<Timer> t;
  {
    RealTimeTimerService service;
    t = service.createTimer(5, [] {});
    t->start();
  }
  t->stop();
  t->start();
  EXPECT_TRUE(t->active());
  t.reset();
}

}  // namespace
}  // namespace corvane
