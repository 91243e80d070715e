// CommPortDriver on real kernel pseudo-terminals: the driver opens the slave by its path, the test
// plays the instrument on the master.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "link/comm_port_driver.h"

namespace corvane {
namespace {

class PtyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[128] = {};
    ASSERT_EQ(openpty(&master_, &slave_, name, nullptr, nullptr), 0) << errno;
    slavePath_ = name;
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    PortDevices devices;
    devices.set(1, slavePath_);
    driver.setPortDevices(devices);
    driver.setComPort(pnCOM1);
    driver.setComPortSpeed(br19200);
    driver.setOnReceiveData([this](CommPortDriver&, const std::uint8_t* p, std::size_t n) {
      received.emplace_back(reinterpret_cast<const char*>(p), n);
    });
  }
  void TearDown() override {
    driver.disconnect();
    if (master_ >= 0) close(master_);
    if (slave_ >= 0) close(slave_);
  }

  // The kernel moves bytes from master to slave asynchronously: wait (bounded) until the slave
  // side has input.
  bool waitSlaveReadable() {
    pollfd p{slave_, POLLIN, 0};
    return ::poll(&p, 1, 2000) == 1;
  }
  void writeMaster(const std::string& s) {
    ASSERT_EQ(write(master_, s.data(), s.size()), static_cast<ssize_t>(s.size()));
    ASSERT_TRUE(waitSlaveReadable());
  }
  // Everything the master can read within a bounded wait for want bytes.
  std::string readMaster(std::size_t want) {
    std::string got;
    for (int i = 0; i < 200 && got.size() < want; ++i) {
      pollfd p{master_, POLLIN, 0};
      if (::poll(&p, 1, 10) != 1) continue;
      char buf[4096];
      ssize_t n = read(master_, buf, sizeof buf);
      if (n > 0) got.append(buf, static_cast<std::size_t>(n));
    }
    return got;
  }
  std::string allReceived() const {
    std::string s;
    for (const auto& c : received) s += c;
    return s;
  }

  int master_ = -1;
  int slave_ = -1;
  std::string slavePath_;
  ManualTimerService timers;
  CommPortDriver driver{timers};
  std::vector<std::string> received;
};

TEST_F(PtyTest, ConnectPutsTheLineInRawModeAndRefusesASecondOpen) {
  ASSERT_TRUE(driver.connect()) << driver.lastError();
  EXPECT_EQ(driver.devicePath(), slavePath_);

  termios t{};
  ASSERT_EQ(tcgetattr(slave_, &t), 0);
  EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
  EXPECT_EQ(t.c_iflag & (ICRNL | IXON | INLCR | ISTRIP), 0u);
  EXPECT_EQ(t.c_oflag & OPOST, 0u);
  EXPECT_EQ(t.c_cc[VMIN], 1);
  EXPECT_EQ(t.c_cc[VTIME], 0);
  EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B19200));

  ManualTimerService otherTimers;
  CommPortDriver second(otherTimers);
  PortDevices devices;
  devices.set(3, slavePath_);
  second.setPortDevices(devices);
  second.setComPort(pnCOM3);
  EXPECT_FALSE(second.connect());
  EXPECT_EQ(second.lastError(), EWOULDBLOCK);

  driver.disconnect();
  EXPECT_TRUE(second.connect());
  EXPECT_FALSE(driver.connect());
}

// A pseudo-terminal cannot carry parity; the line (the simulator's) must open all the same, the
// second time too, when the C library notices that the parity bit did not stick.
TEST_F(PtyTest, ParityThatALineCannotCarryStillOpens) {
  driver.setComPortParity(ptEVEN);
  for (int attempt = 0; attempt < 3; ++attempt) {
    ASSERT_TRUE(driver.connect()) << "attempt " << attempt << ": " << driver.lastError();
    driver.disconnect();
  }
}

TEST_F(PtyTest, RatesWithoutATermiosConstantAreAccepted) {
  driver.setComPortSpeed(br14400);
  EXPECT_TRUE(driver.connect()) << driver.lastError();
  driver.setComPortSpeed(br56000);
  EXPECT_TRUE(driver.connected());
  EXPECT_EQ(driver.lastError(), 0);
}

TEST_F(PtyTest, MissingDeviceAndNonTtyAreRefused) {
  PortDevices devices;
  devices.set(1, "/dev/corvane-no-such-port");
  driver.setPortDevices(devices);
  EXPECT_FALSE(driver.connect());
  EXPECT_EQ(driver.lastError(), ENOENT);

  char file[] = "/tmp/corvane-not-a-tty-XXXXXX";
  int fd = mkstemp(file);
  ASSERT_GE(fd, 0);
  devices.set(1, file);
  driver.setPortDevices(devices);
  EXPECT_FALSE(driver.connect());
  EXPECT_EQ(driver.lastError(), ENOTTY);
  close(fd);
  unlink(file);
}

TEST_F(PtyTest, DataBothWays) {
  ASSERT_TRUE(driver.connect());
  const std::string frame =
      "\x02"
      "0201000400010001\x03";
  SendResult r = driver.send(frame.data(), frame.size());
  EXPECT_TRUE(r.ok());
  EXPECT_EQ(r.written, 18u);
  EXPECT_EQ(readMaster(18), frame);
  EXPECT_EQ(driver.outputFreeSpace(), 2048);  // a pseudo-terminal reports an empty queue

  // Raw mode: CR, LF, ^C and XOFF arrive as they are.
  const std::string reply =
      "\x02"
      "\r\n\x03\x13\x11\x7f\xff";
  writeMaster(reply);
  timers.advance(49);
  EXPECT_TRUE(received.empty());
  timers.advance(1);
  EXPECT_EQ(allReceived(), reply);
}

TEST_F(PtyTest, LargeReplyArrivesInBufferSizedChunks) {
  driver.setComPortInBufSize(1000);
  ASSERT_TRUE(driver.connect());
  std::string block(2500, '\0');
  for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>('0' + i % 10);
  writeMaster(block);
  for (int i = 0; i < 200 && allReceived().size() < block.size(); ++i) {
    timers.advance(50);
    if (allReceived().size() < block.size()) waitSlaveReadable();
  }
  EXPECT_EQ(allReceived(), block);
  for (const auto& c : received) EXPECT_LE(c.size(), 1000u);
}

TEST_F(PtyTest, PurgeDiscardsPendingInput) {
  ASSERT_TRUE(driver.connect());
  writeMaster("stale");
  EXPECT_TRUE(driver.purgeInput());
  timers.advance(50);
  EXPECT_TRUE(received.empty());

  writeMaster("fresh");
  timers.advance(50);
  EXPECT_EQ(allReceived(), "fresh");
}

TEST_F(PtyTest, PeerThatHangsUpIsReportedAndPollingStops) {
  int hangUps = 0;
  driver.setOnHangUp([&](CommPortDriver&) { ++hangUps; });
  ASSERT_TRUE(driver.connect());
  writeMaster("data");
  timers.advance(50);
  EXPECT_EQ(allReceived(), "data");
  EXPECT_EQ(hangUps, 0);

  // Nothing arrives for a while: an empty poll is not a hang-up.
  timers.advance(200);
  EXPECT_TRUE(driver.connected());

  close(master_);
  master_ = -1;
  timers.advance(50);
  EXPECT_EQ(hangUps, 1);
  EXPECT_TRUE(driver.hungUp());
  EXPECT_FALSE(driver.connected());
  EXPECT_EQ(timers.nextDue(), -1);
  timers.advance(1000);
  EXPECT_EQ(hangUps, 1);
  EXPECT_EQ(driver.send("x", 1).status, SendStatus::kNotConnected);
}

TEST_F(PtyTest, SendIntoAStalledPeerTimesOut) {
  ASSERT_TRUE(driver.connect());
  driver.setOutputTimeout(5);
  // Nobody reads the master: the pseudo-terminal's buffer fills and the writes stall.
  std::string data(1 << 20, 'z');
  SendResult r = driver.send(data.data(), data.size());
  EXPECT_EQ(r.status, SendStatus::kTimedOut);
  EXPECT_GT(r.written, 0u);
  EXPECT_LT(r.written, data.size());
  EXPECT_EQ(r.signedCount(), -static_cast<long>(r.written));
  EXPECT_TRUE(driver.connected());
}

}  // namespace
}  // namespace corvane
