// The simulator as a separate program: spawned on its pseudo-terminal, driven through the slave
// device it prints, the way Corvane's serial driver will open it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/sim/sim_test_support.h"

extern char** environ;

namespace corvane::sim {
namespace {

using test::framed;
using test::opened;

constexpr int kReplyWaitMs = 10000;  // generous: sanitizer builds start slowly

class SimProcess {
 public:
  explicit SimProcess(std::vector<std::string> args) {
    int out[2], err[2];
    if (pipe(out) != 0 || pipe(err) != 0) return;
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, out[1], 1);
    posix_spawn_file_actions_adddup2(&fa, err[1], 2);
    posix_spawn_file_actions_addclose(&fa, out[0]);
    posix_spawn_file_actions_addclose(&fa, err[0]);
    args.insert(args.begin(), KV2040_SIM_PATH);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, KV2040_SIM_PATH, &fa, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&fa);
    close(out[1]);
    close(err[1]);
    out_ = out[0];
    err_ = err[0];
    // The first line on stdout is the slave's path.
    char c;
    while (waitReadable(out_, kReplyWaitMs) && read(out_, &c, 1) == 1 && c != '\n') path_ += c;
  }
  ~SimProcess() {
    if (pid_ > 0 && !waited_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) close(out_);
    if (err_ >= 0) close(err_);
  }
  const std::string& path() const { return path_; }

  // Sends SIGTERM and returns the exit status, or -1.
  int stop() {
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    waited_ = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string stderrText() {
    std::string s;
    char buf[4096];
    while (waitReadable(err_, 100)) {
      const ssize_t n = read(err_, buf, sizeof buf);
      if (n <= 0) break;
      s.append(buf, std::size_t(n));
    }
    return s;
  }

  static bool waitReadable(int fd, int ms) {
    struct pollfd p {
      fd, POLLIN, 0
    };
    return poll(&p, 1, ms) > 0;
  }

 private:
  pid_t pid_ = -1;
  int out_ = -1, err_ = -1;
  bool waited_ = false;
  std::string path_;
};

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
  while (got.size() < count && SimProcess::waitReadable(fd, waitMs)) {
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

  EXPECT_EQ(sim.stop(), 0);
  struct stat st {};
  EXPECT_NE(lstat(link.c_str(), &st), 0);  // the link went with the simulator
  const std::string log = sim.stderrText();
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
  EXPECT_EQ(sim.stop(), 0);
}

TEST(SimExecutable, SilentModeAcceptsFramesAndAnswersNothing) {
  SimProcess sim({"--silent", "--baud", "921600"});
  const int fd = openLine(sim.path());
  ASSERT_GE(fd, 0);
  sendFrame(fd, framed("017100000171"));
  EXPECT_EQ(readReply(fd, 1, 500), "");
  close(fd);
  EXPECT_EQ(sim.stop(), 0);
}

TEST(SimExecutable, RefusesBadArguments) {
  SimProcess sim({"--baud", "fast"});
  EXPECT_EQ(sim.path(), "");
  EXPECT_EQ(sim.stop(), 2);
  EXPECT_NE(sim.stderrText().find("usage: kv2040-sim"), std::string::npos);
}

}  // namespace
}  // namespace corvane::sim
