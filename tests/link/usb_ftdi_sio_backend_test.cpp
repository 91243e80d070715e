// The ftdi_sio backend on pseudo-terminals and a fake sysfs tree.
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <termios.h>

#include "link/ftdi_device_list.h"
#include "link/ftdi_sio_backend.h"
#include "tests/link/usb_test_support.h"

namespace corvane {
namespace {

using usbtest::eventually;
using usbtest::FakeKernelTree;
using usbtest::Pty;

FtdiDeviceRoots rootsOf(const FakeKernelTree& tree) {
  return {tree.sys().string(), tree.dev().string()};
}

TEST(FtdiDeviceList, OnlyFtdiUsbPortsInPortNumberOrder) {
  FakeKernelTree tree;
  tree.addUsbPort(0, "067b");  // a Prolific bridge
  tree.addUsbPort(2, "0403");
  tree.addUsbPort(10, "0403");
  tree.addUsbPort(3, "0403 ");  // whitespace around the id is tolerated
  tree.addPlatformPort("ttyS0");
  // Entries that are no port of a USB device: a stray name, and a port with no idVendor above it.
  std::filesystem::create_directories(tree.sys() / "bus" / "usb-serial" / "devices" / "ttyUSBx");
  std::filesystem::create_directories(tree.sys() / "bus" / "usb-serial" / "devices" / "ttyUSB4");

  const auto roots = rootsOf(tree);
  EXPECT_EQ(usbVendorOfPort(roots, "ttyUSB0"), "067b");
  EXPECT_EQ(usbVendorOfPort(roots, "ttyUSB2"), "0403");
  EXPECT_EQ(usbVendorOfPort(roots, "ttyS0"), "");  // not a USB serial port
  EXPECT_EQ(usbVendorOfPort(roots, "ttyUSB4"), "");
  EXPECT_EQ(usbVendorOfPort(roots, "ttyUSB9"), "");
  const std::vector<std::string> expected = {(tree.dev() / "ttyUSB2").string(),
                                             (tree.dev() / "ttyUSB3").string(),
                                             (tree.dev() / "ttyUSB10").string()};
  EXPECT_EQ(listFtdiDevices(roots), expected);

  FtdiSioBackend backend(FtdiSioConfig{roots, ""});
  EXPECT_EQ(backend.devicePath(0), expected[0]);
  EXPECT_EQ(backend.devicePath(2), expected[2]);
  EXPECT_EQ(backend.devicePath(3), "");
  EXPECT_EQ(backend.devicePath(-1), "");

  // A configured path is device 0 and the only one.
  FtdiSioBackend configured(FtdiSioConfig{roots, "/dev/ttyKV"});
  EXPECT_EQ(configured.devicePath(0), "/dev/ttyKV");
  EXPECT_EQ(configured.devicePath(1), "");

  // No sysfs at all: no devices.
  EXPECT_TRUE(listFtdiDevices({(tree.dir.path / "nowhere").string(), "/dev"}).empty());
}

TEST(FtdiSioBackend, OpensTheDiscoveredPortExclusivelyInRawMode) {
  FakeKernelTree tree;
  Pty pty;
  ASSERT_TRUE(pty.ok());
  tree.addUsbPort(0, "067b");
  tree.addUsbPort(1, "0403");
  tree.linkNode("ttyUSB0", "/nonexistent");
  tree.linkNode("ttyUSB1", pty.slavePath);

  FtdiSioBackend backend(FtdiSioConfig{rootsOf(tree), ""});
  FtHandle h = 0;
  ASSERT_EQ(backend.open(0, h), FT_OK);
  EXPECT_NE(h, 0u);
  ASSERT_EQ(backend.setBaudRate(h, 921600), FT_OK);
  ASSERT_EQ(backend.setDataCharacteristics(h, FT_BITS_8, FT_STOP_BITS_1, FT_PARITY_NONE), FT_OK);
  ASSERT_EQ(backend.setFlowControl(h, FT_FLOW_NONE, 0x11, 0x13), FT_OK);

  termios tio{};
  ASSERT_EQ(tcgetattr(pty.slave, &tio), 0);
  EXPECT_EQ(cfgetospeed(&tio), speed_t(B921600));
  EXPECT_EQ(cfgetispeed(&tio), speed_t(B921600));
  EXPECT_EQ(tio.c_cflag & CSIZE, tcflag_t(CS8));
  EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
  EXPECT_NE(tio.c_cflag & CLOCAL, 0u);
  EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0u);
  EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | ICRNL), 0u);
  EXPECT_EQ(tio.c_oflag & OPOST, 0u);
  EXPECT_EQ(tio.c_cc[VSTART], 0x11);
  EXPECT_EQ(tio.c_cc[VSTOP], 0x13);

  // Busy: a second open of the same device fails, even for root.
  FtdiSioBackend other(FtdiSioConfig{rootsOf(tree), ""});
  FtHandle h2 = 0;
  EXPECT_EQ(other.open(0, h2), FT_DEVICE_NOT_OPENED);
  EXPECT_EQ(h2, 0u);
  EXPECT_EQ(backend.open(0, h2), FT_DEVICE_NOT_OPENED);

  // Other settings and bad arguments.
  EXPECT_EQ(backend.setBaudRate(h, 12345), FT_INVALID_BAUD_RATE);
  EXPECT_EQ(backend.setDataCharacteristics(h, 9, 0, 0), FT_INVALID_PARAMETER);
  EXPECT_EQ(backend.setDataCharacteristics(h, FT_BITS_8, 1, 0), FT_INVALID_PARAMETER);
  EXPECT_EQ(backend.setFlowControl(h, 0x0200, 0x11, 0x13), FT_INVALID_PARAMETER);
  ASSERT_EQ(backend.setDataCharacteristics(h, FT_BITS_7, FT_STOP_BITS_2, FT_PARITY_EVEN), FT_OK);
  ASSERT_EQ(backend.setFlowControl(h, FT_FLOW_XON_XOFF, 0x11, 0x13), FT_OK);
  ASSERT_EQ(tcgetattr(pty.slave, &tio), 0);
  // A pty keeps CS8 and no parity whatever it is asked; the stop bits show the change.
  EXPECT_NE(tio.c_cflag & CSTOPB, 0u);
  EXPECT_EQ(tio.c_iflag & (IXON | IXOFF), tcflag_t(IXON | IXOFF));

  int exclusive = 0;
  ASSERT_EQ(::ioctl(pty.slave, TIOCGEXCL, &exclusive), 0);
  EXPECT_EQ(exclusive, 1);
  EXPECT_EQ(backend.close(h), FT_OK);
  EXPECT_EQ(backend.close(h), FT_INVALID_HANDLE);  // handles are not reused
  // The tty's exclusive mode outlives a plain close while the far end stays open; a non-root
  // user could then never open the device again.
  ASSERT_EQ(::ioctl(pty.slave, TIOCGEXCL, &exclusive), 0);
  EXPECT_EQ(exclusive, 0);
  EXPECT_EQ(other.open(0, h2), FT_OK);  // free again after close
}

TEST(FtdiSioBackend, OpenFailuresAndStaleHandles) {
  FakeKernelTree tree;
  tree.addUsbPort(0, "0403");
  FtdiSioBackend backend(FtdiSioConfig{rootsOf(tree), ""});
  FtHandle h = 0;
  EXPECT_EQ(backend.open(0, h), FT_DEVICE_NOT_FOUND);  // no node yet
  EXPECT_EQ(backend.open(1, h), FT_DEVICE_NOT_FOUND);  // no such device
  EXPECT_EQ(h, 0u);

  // A configured path that is not a terminal.
  const auto file = tree.dir.path / "plain";
  std::ofstream(file) << "x";
  FtdiSioBackend notTty(FtdiSioConfig{rootsOf(tree), file.string()});
  EXPECT_EQ(notTty.open(0, h), FT_DEVICE_NOT_OPENED);

  uint32_t n = 99;
  uint8_t buf[4];
  EXPECT_EQ(backend.getQueueStatus(0, n), FT_INVALID_HANDLE);
  EXPECT_EQ(backend.read(42, buf, 4, n), FT_INVALID_HANDLE);
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(backend.write(42, buf, 4, n), FT_INVALID_HANDLE);
  EXPECT_EQ(backend.setTimeouts(42, 6, 6), FT_INVALID_HANDLE);
  EXPECT_EQ(backend.resetDevice(42), FT_INVALID_HANDLE);
  EXPECT_EQ(backend.close(0), FT_INVALID_HANDLE);
}

TEST(FtdiSioBackend, MovesBytesBothWaysAndCountsTheQueue) {
  Pty pty;
  ASSERT_TRUE(pty.ok());
  FtdiSioBackend backend(FtdiSioConfig{{}, pty.slavePath});
  FtHandle h = 0;
  ASSERT_EQ(backend.open(0, h), FT_OK);
  ASSERT_EQ(backend.setTimeouts(h, 6, 6), FT_OK);

  uint32_t queued = 99;
  ASSERT_EQ(backend.getQueueStatus(h, queued), FT_OK);
  EXPECT_EQ(queued, 0u);
  uint8_t buf[64] = {};
  uint32_t got = 99;
  EXPECT_EQ(backend.read(h, buf, sizeof buf, got), FT_OK);  // time-out, nothing there
  EXPECT_EQ(got, 0u);

  // XON, XOFF, CR and control bytes pass untouched.
  const std::vector<uint8_t> reply = {0x02, '0', '2', 0x11, 0x13, '\r', '\n', 0x03};
  ASSERT_TRUE(pty.send(reply));
  ASSERT_TRUE(eventually(
      [&] { return backend.getQueueStatus(h, queued) == FT_OK && queued == reply.size(); }));
  EXPECT_EQ(backend.read(h, buf, 3, got), FT_OK);
  EXPECT_EQ(got, 3u);
  EXPECT_EQ(backend.read(h, buf + 3, sizeof buf - 3, got), FT_OK);
  EXPECT_EQ(got, 5u);
  EXPECT_EQ(std::vector<uint8_t>(buf, buf + 8), reply);

  const uint8_t frame[] = {0x02, '0', '1', '7', '0', 0x03};
  uint32_t written = 0;
  EXPECT_EQ(backend.write(h, frame, sizeof frame, written), FT_OK);
  EXPECT_EQ(written, 6u);
  EXPECT_EQ(pty.receive(6), std::vector<uint8_t>(frame, frame + 6));

  // Reset discards what waits.
  ASSERT_TRUE(pty.send({1, 2, 3}));
  ASSERT_TRUE(
      eventually([&] { return backend.getQueueStatus(h, queued) == FT_OK && queued == 3; }));
  EXPECT_EQ(backend.resetDevice(h), FT_OK);
  EXPECT_EQ(backend.getQueueStatus(h, queued), FT_OK);
  EXPECT_EQ(queued, 0u);
}

TEST(FtdiSioBackend, LossIsSeenWhenTheFarEndClosesOrTheNodeVanishes) {
  {
    Pty pty;
    ASSERT_TRUE(pty.ok());
    FtdiSioBackend backend(FtdiSioConfig{{}, pty.slavePath});
    FtHandle h = 0;
    ASSERT_EQ(backend.open(0, h), FT_OK);
    pty.closeSlave();
    pty.closeMaster();  // unplugged
    uint32_t n = 0;
    uint8_t buf[8];
    EXPECT_EQ(backend.getQueueStatus(h, n), FT_IO_ERROR);
    EXPECT_EQ(backend.read(h, buf, 8, n), FT_IO_ERROR);
    EXPECT_EQ(backend.write(h, buf, 8, n), FT_IO_ERROR);
    EXPECT_EQ(backend.setBaudRate(h, 921600), FT_IO_ERROR);
    EXPECT_EQ(backend.close(h), FT_OK);
  }
  {
    // A read that meets the hang-up fails too, and the device stays lost.
    Pty pty;
    ASSERT_TRUE(pty.ok());
    FtdiSioBackend backend(FtdiSioConfig{{}, pty.slavePath});
    FtHandle h = 0;
    ASSERT_EQ(backend.open(0, h), FT_OK);
    ASSERT_EQ(backend.setTimeouts(h, 50, 50), FT_OK);
    pty.closeMaster();
    uint32_t n = 0;
    uint8_t buf[8];
    EXPECT_EQ(backend.read(h, buf, 8, n), FT_IO_ERROR);
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(backend.getQueueStatus(h, n), FT_IO_ERROR);
  }
  {
    FakeKernelTree tree;
    Pty pty;
    ASSERT_TRUE(pty.ok());
    tree.addUsbPort(0, "0403");
    tree.linkNode("ttyUSB0", pty.slavePath);
    FtdiSioBackend backend(FtdiSioConfig{rootsOf(tree), ""});
    FtHandle h = 0;
    ASSERT_EQ(backend.open(0, h), FT_OK);
    uint32_t n = 0;
    EXPECT_EQ(backend.getQueueStatus(h, n), FT_OK);
    tree.removeNode("ttyUSB0");  // the kernel removed the node
    EXPECT_EQ(backend.getQueueStatus(h, n), FT_IO_ERROR);
    // The node comes back as another device: still lost for this handle.
    Pty other;
    ASSERT_TRUE(other.ok());
    tree.linkNode("ttyUSB0", other.slavePath);
    EXPECT_EQ(backend.getQueueStatus(h, n), FT_IO_ERROR);
  }
}

}  // namespace
}  // namespace corvane
