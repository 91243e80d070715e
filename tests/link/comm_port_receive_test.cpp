// The serial port driver's receive side: the poll, its chunk sizes, the handler and hang-ups.
#include "comm_port_test_support.h"

namespace corvane::serialtest {
namespace {

TEST_F(CommPortDriverTest, PollingDelayRestartsTheTimerOnlyWhenItChanges) {
  Received rx;
  driver.setOnReceiveData(rx.handler());
  ASSERT_TRUE(driver.connect());
  timers.advance(30);
  driver.setComPortPollingDelay(50);  // same value: the tick stays at 50
  timers.advance(20);
  EXPECT_EQ(os.readSizes.size(), 1u);

  timers.advance(30);                  // now 80
  driver.setComPortPollingDelay(100);  // restarted: next tick at 180
  timers.advance(99);
  EXPECT_EQ(os.readSizes.size(), 1u);
  timers.advance(1);
  EXPECT_EQ(os.readSizes.size(), 2u);

  driver.disconnect();
  driver.setComPortPollingDelay(20);  // stored; the timer starts only with connect
  EXPECT_EQ(timers.nextDue(), -1);
  ASSERT_TRUE(driver.connect());
  EXPECT_EQ(timers.nextDue(), 20);
}

TEST_F(CommPortDriverTest, PollDeliversChunksOfAtMostTheBufferSize) {
  Received rx;
  driver.setOnReceiveData(rx.handler());
  driver.setComPortInBufSize(4);
  ASSERT_TRUE(driver.connect());
  os.input.push_back("STX0201");

  timers.advance(49);
  EXPECT_TRUE(rx.chunks.empty());
  timers.advance(1);
  EXPECT_EQ(rx.chunks, std::vector<std::string>{"STX0"});
  timers.advance(50);
  EXPECT_EQ(rx.chunks, (std::vector<std::string>{"STX0", "201"}));
  timers.advance(100);  // nothing arrived: no event
  EXPECT_EQ(rx.chunks.size(), 2u);
  EXPECT_EQ(os.readSizes, (std::vector<std::size_t>{4, 4, 4, 4}));
  EXPECT_TRUE(driver.connected());
}

TEST_F(CommPortDriverTest, ReadsNeverExceedTheFramerChunkLimit) {
  driver.setComPortInBufSize(65535);
  ASSERT_TRUE(driver.connect());
  os.input.push_back(std::string(40000, 'x'));
  std::vector<std::size_t> sizes;
  driver.setOnReceiveData(
      [&](CommPortDriver&, const std::uint8_t*, std::size_t n) { sizes.push_back(n); });
  timers.advance(100);
  EXPECT_EQ(sizes, (std::vector<std::size_t>{30001, 9999}));
}

TEST_F(CommPortDriverTest, ZeroSizesAreRefused) {
  driver.setComPortInBufSize(0);
  driver.setComPortOutBufSize(0);
  EXPECT_EQ(driver.comPortInBufSize(), 2048);
  EXPECT_EQ(driver.comPortOutBufSize(), 2048);
  driver.setComPortPollingDelay(0);  // stored, but the timer ticks no faster than each ms
  ASSERT_TRUE(driver.connect());
  timers.advance(3);
  EXPECT_EQ(os.readSizes.size(), 3u);
}

TEST_F(CommPortDriverTest, ReadDataWithoutHandlerIsConsumedQuietly) {
  ASSERT_TRUE(driver.connect());
  os.input.push_back("abc");
  timers.advance(50);
  EXPECT_TRUE(os.input.empty());
  EXPECT_TRUE(driver.connected());
}

TEST_F(CommPortDriverTest, HandlerMayReplaceItselfOrDisconnect) {
  int calls = 0;
  driver.setOnReceiveData([&](CommPortDriver& sender, const std::uint8_t*, std::size_t) {
    ++calls;
    sender.setOnReceiveData(nullptr);
    sender.disconnect();
  });
  ASSERT_TRUE(driver.connect());
  os.input.push_back("a");
  os.input.push_back("b");
  timers.advance(200);
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(driver.connected());
}

TEST_F(CommPortDriverTest, HangUpSeenByTheReadClosesAndReportsOnce) {
  for (int readError : {EIO, 0}) {  // 0: the read answers end of file
    SCOPED_TRACE(readError);
    int hangUps = 0;
    driver.setOnHangUp([&](CommPortDriver& sender) {
      ++hangUps;
      EXPECT_FALSE(sender.connected());
    });
    ASSERT_TRUE(driver.connect());
    EXPECT_FALSE(driver.hungUp());
    os.readError = readError;
    os.readSizes.clear();
    timers.advance(50);
    EXPECT_EQ(hangUps, 1);
    EXPECT_TRUE(driver.hungUp());
    EXPECT_FALSE(driver.connected());
    EXPECT_EQ(driver.lastError(), EIO);
    EXPECT_EQ(os.openDescriptors, 0);
    timers.advance(500);  // the poll has stopped
    EXPECT_EQ(os.readSizes.size(), 1u);
    EXPECT_EQ(driver.outputFreeSpace(), 65535);
    EXPECT_EQ(driver.send("x", 1).status, SendStatus::kNotConnected);

    os.readError = EAGAIN;
    ASSERT_TRUE(driver.connect());
    EXPECT_FALSE(driver.hungUp());
    driver.disconnect();
  }
}

}  // namespace
}  // namespace corvane::serialtest
