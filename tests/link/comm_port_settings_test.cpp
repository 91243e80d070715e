// The serial port driver's line settings: defaults, the termios and modem lines it builds, the
// device it opens and what setters do to an open port.
#include "comm_port_test_support.h"

namespace corvane::serialtest {
namespace {

TEST_F(CommPortDriverTest, NewDriverStartsDisconnectedWithTheClassicDefaults) {
  EXPECT_EQ(driver.comPort(), pnCOM2);
  EXPECT_EQ(driver.comPortSpeed(), br9600);
  EXPECT_EQ(driver.comPortDataBits(), db8BITS);
  EXPECT_EQ(driver.comPortStopBits(), sb1BITS);
  EXPECT_EQ(driver.comPortParity(), ptNONE);
  EXPECT_EQ(driver.comPortHwHandshaking(), hhNONE);
  EXPECT_EQ(driver.comPortSwHandshaking(), shNONE);
  EXPECT_EQ(driver.comPortInBufSize(), 2048);
  EXPECT_EQ(driver.comPortOutBufSize(), 2048);
  EXPECT_EQ(driver.comPortPollingDelay(), 50);
  EXPECT_TRUE(driver.enableDtrOnOpen());
  EXPECT_EQ(driver.outputTimeout(), 4000);

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
    ComPortDataBits data;
    ComPortParity parity;
    ComPortStopBits stop;
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
    driver.setComPortSpeed(static_cast<ComPortBaudRate>(i));
    if (constants[i] != 0) {
      EXPECT_EQ(cfgetospeed(&os.last()), constants[i]) << i;
      EXPECT_TRUE(os.customRates.empty()) << i;
    } else {
      EXPECT_EQ(os.customRates,
                std::vector<std::uint32_t>{baudRateBitsPerSecond(static_cast<ComPortBaudRate>(i))});
    }
  }
  EXPECT_EQ(baudRateBitsPerSecond(br14400), 14400u);
  EXPECT_EQ(baudRateBitsPerSecond(br56000), 56000u);
  EXPECT_EQ(baudRateBitsPerSecond(static_cast<ComPortBaudRate>(13)), 0u);
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
  EXPECT_EQ(driver.comPort(), pnCOM2);
  EXPECT_EQ(driver.comPortInBufSize(), 2048);
  driver.disconnect();
  ASSERT_TRUE(driver.connect());
  EXPECT_EQ(os.opened.back(), "/dev/ttyS1");

  // Ordinals outside their tables change nothing.
  const std::size_t before = os.attributes.size();
  driver.setComPortSpeed(static_cast<ComPortBaudRate>(13));
  driver.setComPortParity(static_cast<ComPortParity>(5));
  driver.setComPortDataBits(static_cast<ComPortDataBits>(4));
  driver.setComPortStopBits(static_cast<ComPortStopBits>(3));
  driver.setComPortHwHandshaking(static_cast<ComPortHwHandshaking>(2));
  driver.setComPortSwHandshaking(static_cast<ComPortSwHandshaking>(2));
  EXPECT_EQ(os.attributes.size(), before);
  EXPECT_EQ(driver.comPortSpeed(), br19200);
  EXPECT_EQ(driver.comPortParity(), ptNONE);

  driver.disconnect();
  driver.setComPort(static_cast<ComPortNumber>(4));
  EXPECT_EQ(driver.comPort(), pnCOM2);
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

}  // namespace
}  // namespace corvane::serialtest
