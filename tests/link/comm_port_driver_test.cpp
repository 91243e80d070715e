// TCommPortDriver against a scripted operating system: what a pseudo-terminal cannot show.
#include "link/comm_port_driver.h"

#include <gtest/gtest.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <deque>
#include <set>
#include <string>
#include <vector>

namespace corvane {
namespace {

class FakeSerialOs : public SerialOs {
 public:
  // Script.
  std::set<std::string> existing{"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyS2", "/dev/ttyS3"};
  std::set<std::string> heldElsewhere;
  int setAttributesError = 0;
  int modemError = 0;
  int queuedError = 0;
  int outQueue = 0;
  bool queueGrowsOnWrite = true;
  long writeAcceptLimit = -1;  // bytes per write; -1 takes everything, 0 answers EAGAIN
  int writeError = 0;
  std::deque<std::string> input;
  int readError = EAGAIN;  // answered when no input is scripted
  std::function<void(FakeSerialOs&)> onWait;

  // Record.
  std::int64_t clock = 0;
  std::vector<std::string> opened;
  int openDescriptors = 0;
  std::vector<termios> attributes;
  std::vector<std::uint32_t> customRates;
  int modemLines = TIOCM_DTR | TIOCM_RTS;  // Linux raises both when a tty is opened
  std::vector<int> flushes;
  std::string written;
  std::vector<std::size_t> readSizes;
  std::vector<std::string> calls;

  int openDevice(const std::string& path) override {
    calls.push_back("open " + path);
    if (!existing.count(path)) return -ENOENT;
    opened.push_back(path);
    ++openDescriptors;
    current_ = path;
    return 7;
  }
  void closeDevice(int fd) override {
    EXPECT_EQ(fd, 7);
    calls.push_back("close");
    --openDescriptors;
  }
  int lockExclusive(int) override {
    calls.push_back("lock");
    return heldElsewhere.count(current_) ? -EWOULDBLOCK : 0;
  }
  int getAttributes(int, termios* t) override {
    calls.push_back("get");
    // A freshly opened tty in cooked mode.
    *t = termios{};
    t->c_iflag = ICRNL | IXON | IMAXBEL;
    t->c_oflag = OPOST | ONLCR;
    t->c_cflag = CS8 | CREAD | HUPCL | B9600;
    t->c_lflag = ICANON | ECHO | ECHOE | ECHOK | ISIG | IEXTEN;
    t->c_cc[VMIN] = 4;
    t->c_cc[VTIME] = 2;
    return 0;
  }
  int setAttributes(int, const termios& t) override {
    calls.push_back("set");
    if (setAttributesError) return -setAttributesError;
    attributes.push_back(t);
    return 0;
  }
  int setCustomRate(int, std::uint32_t rate) override {
    calls.push_back("rate");
    customRates.push_back(rate);
    return 0;
  }
  int setModemLines(int, int lines) override {
    calls.push_back("mbis");
    if (modemError) return -modemError;
    modemLines |= lines;
    return 0;
  }
  int clearModemLines(int, int lines) override {
    calls.push_back("mbic");
    if (modemError) return -modemError;
    modemLines &= ~lines;
    return 0;
  }
  int flush(int, int selector) override {
    calls.push_back("flush");
    flushes.push_back(selector);
    if (selector == TCIFLUSH || selector == TCIOFLUSH) input.clear();
    return 0;
  }
  long readSome(int, void* buffer, std::size_t size) override {
    readSizes.push_back(size);
    if (input.empty()) return -readError;
    std::string& front = input.front();
    std::size_t n = std::min(size, front.size());
    front.copy(static_cast<char*>(buffer), n);
    front.erase(0, n);
    if (front.empty()) input.pop_front();
    return static_cast<long>(n);
  }
  long writeSome(int, const void* data, std::size_t size) override {
    if (writeError) return -writeError;
    std::size_t n = size;
    if (writeAcceptLimit == 0) return -EAGAIN;
    if (writeAcceptLimit > 0) n = std::min(n, static_cast<std::size_t>(writeAcceptLimit));
    written.append(static_cast<const char*>(data), n);
    if (queueGrowsOnWrite) outQueue += static_cast<int>(n);
    return static_cast<long>(n);
  }
  int outputQueued(int) override { return queuedError ? -queuedError : outQueue; }
  void waitWritable(int, int ms) override { elapse(ms); }
  void pause(int ms) override { elapse(ms); }
  std::int64_t monotonicMs() override { return clock; }

  const termios& last() const { return attributes.back(); }

 private:
  void elapse(int ms) {
    clock += ms;
    if (onWait) onWait(*this);
  }
  std::string current_;
};

struct Received {
  std::vector<std::string> chunks;
  TComPortReceiveDataEvent handler() {
    return [this](TCommPortDriver&, const std::uint8_t* p, std::size_t n) {
      chunks.emplace_back(reinterpret_cast<const char*>(p), n);
    };
  }
};

class CommPortDriverTest : public ::testing::Test {
 protected:
  ManualTimerService timers;
  FakeSerialOs os;
  TCommPortDriver driver{timers, os};
};

TEST_F(CommPortDriverTest, NewDriverStartsDisconnectedWithTheClassicDefaults) {
  EXPECT_EQ(driver.ComPort(), pnCOM2);
  EXPECT_EQ(driver.ComPortSpeed(), br9600);
  EXPECT_EQ(driver.ComPortDataBits(), db8BITS);
  EXPECT_EQ(driver.ComPortStopBits(), sb1BITS);
  EXPECT_EQ(driver.ComPortParity(), ptNONE);
  EXPECT_EQ(driver.ComPortHwHandshaking(), hhNONE);
  EXPECT_EQ(driver.ComPortSwHandshaking(), shNONE);
  EXPECT_EQ(driver.ComPortInBufSize(), 2048);
  EXPECT_EQ(driver.ComPortOutBufSize(), 2048);
  EXPECT_EQ(driver.ComPortPollingDelay(), 50);
  EXPECT_TRUE(driver.EnableDTROnOpen());
  EXPECT_EQ(driver.OutputTimeout(), 4000);

  EXPECT_FALSE(driver.connected());
  EXPECT_EQ(driver.outputFreeSpace(), 65535);
  SendResult r = driver.send("abc", 3);
  EXPECT_EQ(r.status, SendStatus::kNotConnected);
  EXPECT_EQ(r.written, 0u);
  EXPECT_EQ(r.signedCount(), 0);
  EXPECT_FALSE(driver.purgeInput());
  EXPECT_FALSE(driver.purgeOutput());
  EXPECT_TRUE(os.calls.empty());
  EXPECT_EQ(timers.nextDue(), -1);
}

TEST_F(CommPortDriverTest, ConnectOpensExclusivelyAndAppliesRawLine) {
  ASSERT_TRUE(driver.connect());
  EXPECT_TRUE(driver.connected());
  EXPECT_EQ(driver.devicePath(), "/dev/ttyS1");  // pnCOM2
  EXPECT_EQ(os.calls, (std::vector<std::string>{"open /dev/ttyS1", "lock", "get", "set", "mbis",
                                                "mbic", "flush"}));
  EXPECT_EQ(os.flushes, std::vector<int>{TCIOFLUSH});

  const termios& t = os.last();
  EXPECT_EQ(t.c_iflag & (ICRNL | IXON | IXOFF | INPCK | ISTRIP | IGNBRK | BRKINT | PARMRK), 0u);
  EXPECT_EQ(t.c_oflag & OPOST, 0u);
  EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
  EXPECT_EQ(t.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), static_cast<tcflag_t>(CS8));
  EXPECT_EQ(t.c_cflag & (CREAD | CLOCAL), static_cast<tcflag_t>(CREAD | CLOCAL));
  EXPECT_EQ(t.c_cc[VMIN], 1);
  EXPECT_EQ(t.c_cc[VTIME], 0);
  EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B9600));
  EXPECT_EQ(cfgetispeed(&t), static_cast<speed_t>(B9600));
  EXPECT_EQ(os.modemLines, TIOCM_DTR);  // DTR raised, RTS low without handshaking
  EXPECT_TRUE(os.customRates.empty());

  // A second connect is a no-op.
  EXPECT_TRUE(driver.connect());
  EXPECT_EQ(os.opened.size(), 1u);

  EXPECT_FALSE(driver.disconnect());
  EXPECT_FALSE(driver.connected());
  EXPECT_EQ(os.openDescriptors, 0);
  EXPECT_EQ(driver.devicePath(), "");
  EXPECT_EQ(timers.nextDue(), -1);
}

TEST_F(CommPortDriverTest, DataBitsParityAndStopBitsInTheBuiltTermios) {
  struct Case {
    TComPortDataBits data;
    TComPortParity parity;
    TComPortStopBits stop;
    tcflag_t expected;  // of CSIZE | PARENB | PARODD | CMSPAR | CSTOPB
  };
  const Case cases[] = {
      {db8BITS, ptNONE, sb1BITS, CS8},
      {db7BITS, ptEVEN, sb2BITS, CS7 | PARENB | CSTOPB},
      {db8BITS, ptODD, sb1BITS, CS8 | PARENB | PARODD},
      {db6BITS, ptMARK, sb1BITS, CS6 | PARENB | PARODD | CMSPAR},
      {db8BITS, ptSPACE, sb2BITS, CS8 | PARENB | CMSPAR | CSTOPB},
      {db5BITS, ptNONE, sb1HALFBITS, CS5 | CSTOPB},
  };
  ASSERT_TRUE(driver.connect());
  for (const Case& c : cases) {
    driver.setComPortDataBits(c.data);
    driver.setComPortParity(c.parity);
    driver.setComPortStopBits(c.stop);
    EXPECT_EQ(os.last().c_cflag & (CSIZE | PARENB | PARODD | CMSPAR | CSTOPB), c.expected)
        << "data " << int(c.data) << " parity " << int(c.parity) << " stop " << int(c.stop);
    EXPECT_EQ(os.last().c_iflag & (INPCK | PARMRK | ISTRIP), 0u);
  }
}

TEST_F(CommPortDriverTest, HandshakingFlagsAndModemLines) {
  driver.setComPortHwHandshaking(hhRTSCTS);
  driver.setComPortSwHandshaking(shXONXOFF);
  ASSERT_TRUE(driver.connect());
  EXPECT_EQ(os.last().c_cflag & CRTSCTS, static_cast<tcflag_t>(CRTSCTS));
  EXPECT_EQ(os.last().c_iflag & (IXON | IXOFF | IXANY), static_cast<tcflag_t>(IXON | IXOFF));
  EXPECT_EQ(os.last().c_cc[VSTART], 0x11);
  EXPECT_EQ(os.last().c_cc[VSTOP], 0x13);
  EXPECT_EQ(os.modemLines, TIOCM_DTR | TIOCM_RTS);

  // Back to no handshaking: RTS is held low, XON/XOFF is off.
  driver.setComPortHwHandshaking(hhNONE);
  driver.setComPortSwHandshaking(shNONE);
  EXPECT_EQ(os.last().c_cflag & CRTSCTS, 0u);
  EXPECT_EQ(os.last().c_iflag & (IXON | IXOFF), 0u);
  EXPECT_EQ(os.modemLines, TIOCM_DTR);

  // Handshaking switched on again raises RTS, which the last application had dropped.
  driver.setComPortHwHandshaking(hhRTSCTS);
  EXPECT_EQ(os.modemLines, TIOCM_DTR | TIOCM_RTS);
}

TEST_F(CommPortDriverTest, DtrHeldLowWhenNotEnabledAndTakenAtTheNextApplication) {
  driver.setEnableDTROnOpen(false);
  ASSERT_TRUE(driver.connect());
  EXPECT_EQ(os.modemLines, 0);

  driver.setEnableDTROnOpen(true);
  EXPECT_EQ(os.modemLines, 0);  // stored only
  driver.setComPortSpeed(br19200);
  EXPECT_EQ(os.modemLines, TIOCM_DTR);
}

TEST_F(CommPortDriverTest, TtyWithoutModemLinesStillConnects) {
  os.modemError = ENOTTY;
  EXPECT_TRUE(driver.connect());
  driver.disconnect();
  os.modemError = EIO;  // but a device that has gone is a failure
  EXPECT_FALSE(driver.connect());
  EXPECT_EQ(driver.lastError(), EIO);
  EXPECT_EQ(os.openDescriptors, 0);
}

TEST_F(CommPortDriverTest, EveryRateNameReachesTheLine) {
  const speed_t constants[] = {B110, B300,   B600,   B1200, B2400,  B4800,  B9600,
                               0,    B19200, B38400, 0,     B57600, B115200};
  ASSERT_TRUE(driver.connect());
  for (int i = br110; i <= br115200; ++i) {
    os.customRates.clear();
    driver.setComPortSpeed(static_cast<TComPortBaudRate>(i));
    if (constants[i] != 0) {
      EXPECT_EQ(cfgetospeed(&os.last()), constants[i]) << i;
      EXPECT_TRUE(os.customRates.empty()) << i;
    } else {
      EXPECT_EQ(os.customRates, std::vector<std::uint32_t>{
                                    baudRateBitsPerSecond(static_cast<TComPortBaudRate>(i))});
    }
  }
  EXPECT_EQ(baudRateBitsPerSecond(br14400), 14400u);
  EXPECT_EQ(baudRateBitsPerSecond(br56000), 56000u);
  EXPECT_EQ(baudRateBitsPerSecond(static_cast<TComPortBaudRate>(13)), 0u);
}

TEST_F(CommPortDriverTest, ConnectFailuresLeaveThePortClosed) {
  os.existing.clear();
  EXPECT_FALSE(driver.connect());
  EXPECT_EQ(driver.lastError(), ENOENT);
  EXPECT_EQ(timers.nextDue(), -1);

  os.existing.insert("/dev/ttyS1");
  os.heldElsewhere.insert("/dev/ttyS1");
  EXPECT_FALSE(driver.connect());
  EXPECT_EQ(driver.lastError(), EWOULDBLOCK);
  EXPECT_EQ(os.openDescriptors, 0);

  // A line the device refuses is a failed connect, not a half-open port.
  os.heldElsewhere.clear();
  os.setAttributesError = EINVAL;
  EXPECT_FALSE(driver.connect());
  EXPECT_FALSE(driver.connected());
  EXPECT_EQ(os.openDescriptors, 0);
  EXPECT_EQ(timers.nextDue(), -1);

  os.setAttributesError = 0;
  EXPECT_TRUE(driver.connect());
  EXPECT_EQ(driver.lastError(), 0);
}

TEST_F(CommPortDriverTest, SettersWhileConnected) {
  ASSERT_TRUE(driver.connect());
  ASSERT_EQ(os.attributes.size(), 1u);

  // A new rate re-applies everything and discards what is pending both ways.
  os.input.push_back("stale");
  driver.setComPortSpeed(br19200);
  EXPECT_EQ(os.attributes.size(), 2u);
  EXPECT_EQ(cfgetospeed(&os.last()), static_cast<speed_t>(B19200));
  EXPECT_EQ(os.flushes, (std::vector<int>{TCIOFLUSH, TCIOFLUSH}));
  EXPECT_TRUE(os.input.empty());

  // Port and input buffer size are kept while connected.
  driver.setComPort(pnCOM4);
  driver.setComPortInBufSize(100);
  EXPECT_EQ(driver.ComPort(), pnCOM2);
  EXPECT_EQ(driver.ComPortInBufSize(), 2048);
  driver.disconnect();
  ASSERT_TRUE(driver.connect());
  EXPECT_EQ(os.opened.back(), "/dev/ttyS1");

  // Ordinals outside their tables change nothing.
  const std::size_t before = os.attributes.size();
  driver.setComPortSpeed(static_cast<TComPortBaudRate>(13));
  driver.setComPortParity(static_cast<TComPortParity>(5));
  driver.setComPortDataBits(static_cast<TComPortDataBits>(4));
  driver.setComPortStopBits(static_cast<TComPortStopBits>(3));
  driver.setComPortHwHandshaking(static_cast<TComPortHwHandshaking>(2));
  driver.setComPortSwHandshaking(static_cast<TComPortSwHandshaking>(2));
  EXPECT_EQ(os.attributes.size(), before);
  EXPECT_EQ(driver.ComPortSpeed(), br19200);
  EXPECT_EQ(driver.ComPortParity(), ptNONE);

  driver.disconnect();
  driver.setComPort(static_cast<TComPortNumber>(4));
  EXPECT_EQ(driver.ComPort(), pnCOM2);
  driver.setComPort(pnCOM4);
  ASSERT_TRUE(driver.connect());
  EXPECT_EQ(os.opened.back(), "/dev/ttyS3");
}

TEST_F(CommPortDriverTest, PortDevicesChooseTheDeviceFile) {
  PortDevices devices;
  devices.set(2, "/dev/ttyUSB0");
  os.existing.insert("/dev/ttyUSB0");
  driver.setPortDevices(devices);
  ASSERT_TRUE(driver.connect());
  EXPECT_EQ(os.opened.back(), "/dev/ttyUSB0");
}

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
      [&](TCommPortDriver&, const std::uint8_t*, std::size_t n) { sizes.push_back(n); });
  timers.advance(100);
  EXPECT_EQ(sizes, (std::vector<std::size_t>{30001, 9999}));
}

TEST_F(CommPortDriverTest, ZeroSizesAreRefused) {
  driver.setComPortInBufSize(0);
  driver.setComPortOutBufSize(0);
  EXPECT_EQ(driver.ComPortInBufSize(), 2048);
  EXPECT_EQ(driver.ComPortOutBufSize(), 2048);
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
  driver.setOnReceiveData([&](TCommPortDriver& sender, const std::uint8_t*, std::size_t) {
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
    driver.setOnHangUp([&](TCommPortDriver& sender) {
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
  driver.setOnHangUp([&](TCommPortDriver&) { ++hangUps; });
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
    TCommPortDriver driver(timers, os);
    ASSERT_TRUE(driver.connect());
    EXPECT_EQ(os.openDescriptors, 1);
  }
  EXPECT_EQ(os.openDescriptors, 0);
  timers.advance(100);  // the poll timer went with the driver
}

}  // namespace
}  // namespace corvane
