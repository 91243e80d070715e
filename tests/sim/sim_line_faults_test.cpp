// The simulator playing a bench's faults: an FTDI latency timer holding reply tails, and lost
// requests.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "tests/sim/sim_test_support.h"
#include "tests/support/sim_process.h"

namespace corvane::sim {
namespace {

using Clock = std::chrono::steady_clock;
using test::framed;

std::string readUpTo(int fd, std::size_t count, int waitMs) {
  std::string got;
  char buf[4096];
  pollfd p{fd, POLLIN, 0};
  while (got.size() < count && ::poll(&p, 1, waitMs) > 0) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n <= 0) break;
    got.append(buf, std::size_t(n));
  }
  return got;
}

long msSince(Clock::time_point t) {
  return long(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count());
}

TEST(SimLineFaults, HoldsReplyTailsForTheLatencyAndLosesEverySecondRequest) {
  test_support::SimProcess sim({"--usb", "--latency-ms", "80", "--drop-every", "2"});
  const int fd = ::open(sim.path().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(fd, 0) << sim.path();
  termios t{};
  ::tcgetattr(fd, &t);
  ::cfmakeraw(&t);
  ::tcsetattr(fd, TCSANOW, &t);
  const std::string query = framed("017100000171");
  const std::string answer = framed("0171", "0001", "0000", "0172");

  // 18 bytes are all tail: the whole reply waits for the timer.
  auto sent = Clock::now();
  ASSERT_EQ(::write(fd, query.data(), query.size()), ssize_t(query.size()));
  EXPECT_EQ(readUpTo(fd, answer.size(), 5000), answer);
  EXPECT_GE(msSince(sent), 78);

  ASSERT_EQ(::write(fd, query.data(), query.size()), ssize_t(query.size()));
  EXPECT_EQ(readUpTo(fd, 1, 400), "");  // the second request was lost

  // The status reply, 106 bytes: one full packet goes at once, the 44 after it are held.
  const std::string status = framed("020000040009", "0213");
  sent = Clock::now();
  ASSERT_EQ(::write(fd, status.data(), status.size()), ssize_t(status.size()));
  const std::string head = readUpTo(fd, 62, 5000);
  const long headMs = msSince(sent);
  const std::string rest = readUpTo(fd, 106 - head.size(), 5000);
  const long totalMs = msSince(sent);
  EXPECT_EQ(head.size(), 62u);
  EXPECT_EQ((head + rest).size(), 106u);
  EXPECT_GE(totalMs, 78);
  EXPECT_GE(totalMs - headMs, 40);  // the tail came well after the head
  ::close(fd);
}

}  // namespace
}  // namespace corvane::sim
