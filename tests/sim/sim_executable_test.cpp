// The simulator as a separate program: spawned on its pseudo-terminal, driven through the slave
// device it prints, the way Corvane's serial driver will open it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/sim/sim_test_support.h"
#include "tests/support/sim_process.h"

namespace corvane::sim {
namespace {

using test::framed;
using test::opened;

constexpr int kReplyWaitMs = 10000;  // generous: sanitizer builds start slowly

using test_support::SimProcess;

// The exit status of a stopped simulator, or -1 when it did not exit by itself.
int stopWithTerm(SimProcess& sim) {
  const int status = sim.kill(SIGTERM);
  return status >= 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool waitReadable(int fd, int ms) {
  pollfd p{fd, POLLIN, 0};
  return poll(&p, 1, ms) > 0;
}

int openLine(const std::string& path) {
  const int fd = open(path.c_str(), O_RDWR | O_NOCTTY);
  if (fd < 0) return fd;
  struct termios t {};
  tcgetattr(fd, &t);
  cfmakeraw(&t);
  tcsetattr(fd, TCSANOW, &t);
  return fd;
}

// Reads until `count` bytes have come or nothing arrives for waitMs.
std::string readReply(int fd, std::size_t count, int waitMs = kReplyWaitMs) {
  std::string got;
  char buf[4096];
  while (got.size() < count && waitReadable(fd, waitMs)) {
    const ssize_t n = read(fd, buf, sizeof buf);
    if (n <= 0) break;
    got.append(buf, std::size_t(n));
  }
  return got;
}

void sendFrame(int fd, const std::string& frame) {
  ASSERT_EQ(write(fd, frame.data(), frame.size()), ssize_t(frame.size()));
}

std::string tempLinkPath() {
  char dir[] = "/tmp/kv2040-sim-test-XXXXXX";
  EXPECT_NE(mkdtemp(dir), nullptr);
  return std::string(dir) + "/kv2040";
}

TEST(SimExecutable, AnswersOnItsPtySurvivesReopeningAndStopsCleanly) {
  const std::string link = tempLinkPath();
  SimProcess sim({"--baud", "921600", "--link", link});
  ASSERT_EQ(sim.path().rfind("/dev/pts/", 0), 0u) << sim.path();
  char target[256] = {};
  ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
  EXPECT_EQ(sim.path(), target);

  int fd = openLine(link);
  ASSERT_GE(fd, 0);
  sendFrame(fd, framed("0006000400090019"));
  EXPECT_EQ(readReply(fd, 18), framed("0005", "0001", "0009", "0015"));
  sendFrame(fd, framed("0006000400090018"));  // bad checksum: no answer
  sendFrame(fd, framed("020000040009", "0213"));
  const std::string status = readReply(fd, 106);
  EXPECT_EQ(status.substr(0, 13), opened("020900230000"));
  EXPECT_EQ(status.substr(13, 4), "0009");  // the volt/div set above
  close(fd);

  // The model keeps its state while nobody holds the line.
  fd = openLine(sim.path());
  ASSERT_GE(fd, 0);
  sendFrame(fd, framed("000500000005"));
  EXPECT_EQ(readReply(fd, 18), framed("0005", "0001", "0009", "0015"));
  close(fd);

  EXPECT_EQ(stopWithTerm(sim), 0);
  struct stat st {};
  EXPECT_NE(lstat(link.c_str(), &st), 0);  // the link went with the simulator
  const std::string log = sim.log();
  EXPECT_NE(log.find("bad frame (checksum 0018 does not match 0019)"), std::string::npos) << log;
  rmdir(link.substr(0, link.rfind('/')).c_str());
}

TEST(SimExecutable, UsbModeSendsTheRawScreenImage) {
  SimProcess sim({"--usb"});
  const int fd = openLine(sim.path());
  ASSERT_GE(fd, 0);
  sendFrame(fd, framed("0166000400000170"));
  const std::string image = readReply(fd, 9664);
  ASSERT_EQ(image.size(), 9664u);
  EXPECT_EQ(image.substr(0, 3), opened("BM"));
  EXPECT_EQ(image.back(), '\x03');
  close(fd);
  EXPECT_EQ(stopWithTerm(sim), 0);
}

TEST(SimExecutable, SilentModeAcceptsFramesAndAnswersNothing) {
  SimProcess sim({"--silent", "--baud", "921600"});
  const int fd = openLine(sim.path());
  ASSERT_GE(fd, 0);
  sendFrame(fd, framed("017100000171"));
  EXPECT_EQ(readReply(fd, 1, 500), "");
  close(fd);
  EXPECT_EQ(stopWithTerm(sim), 0);
}

TEST(SimExecutable, RefusesBadArguments) {
  SimProcess sim({"--baud", "fast"});
  EXPECT_EQ(sim.path(), "");
  EXPECT_EQ(stopWithTerm(sim), 2);
  EXPECT_NE(sim.log().find("usage: kv2040-sim"), std::string::npos);
}

}  // namespace
}  // namespace corvane::sim
