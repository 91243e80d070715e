// The serial port driver's send side: free space, the output time-out, write errors, purging
// and closing at destruction.
#include "comm_port_test_support.h"

namespace corvane::serialtest {
namespace {

TEST_F(CommPortDriverTest, OutputFreeSpaceFollowsTheQueue) {
  ASSERT_TRUE(driver.connect());
  os.outQueue = 100;
  EXPECT_EQ(driver.outputFreeSpace(), 1948);
  os.outQueue = 5000;  // the kernel's queue is larger than ours
  EXPECT_EQ(driver.outputFreeSpace(), 0);
  os.outQueue = 100;
  driver.setComPortOutBufSize(1000);
  EXPECT_EQ(driver.outputFreeSpace(), 900);
  os.queuedError = ENOTTY;
  EXPECT_EQ(driver.outputFreeSpace(), 1000);
  os.queuedError = EIO;
  EXPECT_EQ(driver.outputFreeSpace(), 65535);
  EXPECT_TRUE(driver.hungUp());
}

TEST_F(CommPortDriverTest, SendWritesEverythingThroughTheFreeSpace) {
  ASSERT_TRUE(driver.connect());
  driver.setComPortOutBufSize(8);
  os.onWait = [](FakeSerialOs& f) { f.outQueue = std::max(0, f.outQueue - 4); };
  const std::string frame =
      "\x02"
      "0201000400010001\x03";
  SendResult r = driver.send(frame.data(), frame.size());
  EXPECT_EQ(r.status, SendStatus::kComplete);
  EXPECT_TRUE(r.ok());
  EXPECT_EQ(r.written, 18u);
  EXPECT_EQ(r.signedCount(), 18);
  EXPECT_EQ(os.written, frame);
  EXPECT_EQ(os.clock, 3);  // 8 bytes, then three waits of 1 ms for 4, 4 and 2 more

  EXPECT_EQ(driver.send("", 0).status, SendStatus::kComplete);
}

TEST_F(CommPortDriverTest, FullQueueTimesOutAsFailure) {
  ASSERT_TRUE(driver.connect());
  os.outQueue = 2048;
  SendResult r = driver.send("abc", 3);
  EXPECT_EQ(r.status, SendStatus::kTimedOut);
  EXPECT_FALSE(r.ok());
  EXPECT_EQ(r.written, 0u);
  EXPECT_EQ(os.written, "");
  EXPECT_GT(os.clock, 4000);
  EXPECT_LE(os.clock, 4010);
  EXPECT_TRUE(driver.connected());  // a stalled line is not a hang-up
}

TEST_F(CommPortDriverTest, TimeOutAfterPartialWriteReturnsNegatedCount) {
  ASSERT_TRUE(driver.connect());
  driver.setOutputTimeout(100);
  std::string data(3000, 'd');
  SendResult r = driver.send(data.data(), data.size());
  EXPECT_EQ(r.status, SendStatus::kTimedOut);
  EXPECT_EQ(r.written, 2048u);
  EXPECT_EQ(r.signedCount(), -2048);
  EXPECT_GT(os.clock, 100);
  EXPECT_LE(os.clock, 110);
}

TEST_F(CommPortDriverTest, ProgressRestartsTheOutputTimeout) {
  ASSERT_TRUE(driver.connect());
  driver.setComPortOutBufSize(10);
  // The queue empties every 3 s: the whole send takes longer than 4 s, but no stall does.
  os.onWait = [](FakeSerialOs& f) {
    if (f.clock % 3000 == 0) f.outQueue = 0;
  };
  std::string data(25, 'p');
  SendResult r = driver.send(data.data(), data.size());
  EXPECT_EQ(r.status, SendStatus::kComplete);
  EXPECT_EQ(r.written, 25u);
  EXPECT_EQ(os.clock, 6000);
}

TEST_F(CommPortDriverTest, DeviceThatAcceptsNothingTimesOut) {
  ASSERT_TRUE(driver.connect());
  os.writeAcceptLimit = 0;  // EAGAIN although the queue reads empty (a pseudo-terminal)
  driver.setOutputTimeout(50);
  SendResult r = driver.send("abc", 3);
  EXPECT_EQ(r.status, SendStatus::kTimedOut);
  EXPECT_EQ(r.written, 0u);
  EXPECT_GT(os.clock, 50);
  EXPECT_LE(os.clock, 60);
}

TEST_F(CommPortDriverTest, WriteErrorsEndTheSend) {
  int hangUps = 0;
  driver.setOnHangUp([&](CommPortDriver&) { ++hangUps; });
  ASSERT_TRUE(driver.connect());
  os.writeError = EIO;
  SendResult r = driver.send("abc", 3);
  EXPECT_EQ(r.status, SendStatus::kHungUp);
  EXPECT_EQ(hangUps, 1);
  EXPECT_FALSE(driver.connected());

  os.writeError = ENOSPC;
  ASSERT_TRUE(driver.connect());
  r = driver.send("abc", 3);
  EXPECT_EQ(r.status, SendStatus::kFailed);
  EXPECT_EQ(driver.lastError(), ENOSPC);
  EXPECT_TRUE(driver.connected());
  EXPECT_EQ(hangUps, 1);
}

TEST_F(CommPortDriverTest, PurgeSelectsTheQueue) {
  ASSERT_TRUE(driver.connect());
  os.flushes.clear();
  EXPECT_TRUE(driver.purgeInput());
  EXPECT_TRUE(driver.purgeOutput());
  EXPECT_EQ(os.flushes, (std::vector<int>{TCIFLUSH, TCOFLUSH}));
}

TEST(CommPortDriverLifetime, DestructionClosesThePort) {
  ManualTimerService timers;
  FakeSerialOs os;
  {
    CommPortDriver driver(timers, os);
    ASSERT_TRUE(driver.connect());
    EXPECT_EQ(os.openDescriptors, 1);
  }
  EXPECT_EQ(os.openDescriptors, 0);
  timers.advance(100);  // the poll timer went with the driver
}

}  // namespace
}  // namespace corvane::serialtest
