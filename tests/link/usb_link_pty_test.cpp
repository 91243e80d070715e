// The whole USB link on pseudo-terminals: plug, receive, unplug, re-plug and the screen capture.
#include <gtest/gtest.h>

#include <array>

#include "link/ftdi_sio_backend.h"
#include "link/usb_link.h"
#include "tests/link/usb_test_support.h"

namespace corvane {
namespace {

using usbtest::eventually;
using usbtest::FakeKernelTree;
using usbtest::Pty;

// Records what the session would show and hand to the framer.
struct Host {
  std::vector<std::string> boxes;
  std::vector<uint8_t> received;
  int chunks = 0;
  UsbLinkCallbacks callbacks() {
    return {[this](const std::string& t) { boxes.push_back(t); },
            [this](const uint8_t* d, int32_t n) {
              received.insert(received.end(), d, d + n);
              ++chunks;
            },
            [this] { boxes.push_back(kUsbEnabledText); },
            [this] { boxes.push_back(kUsbDisabledText); }};
  }
};

class UsbLinkOnPty : public ::testing::Test {
 protected:
  void SetUp() override {
    tree.addUsbPort(0, "067b");  // skipped: not an FTDI bridge
    tree.addUsbPort(1, "0403");
    tree.linkNode("ttyUSB0", "/nonexistent");
    link = std::make_unique<UsbLink>(std::make_unique<FtdiSioBackend>(FtdiSioConfig{
                                         {tree.sys().string(), tree.dev().string()}, ""}),
                                     host.callbacks());
  }
  void plug(Pty& pty) { tree.linkNode("ttyUSB1", pty.slavePath); }

  FakeKernelTree tree;
  Host host;
  std::unique_ptr<UsbLink> link;
};

TEST_F(UsbLinkOnPty, StartUpWithoutDeviceIsUnusable) {
  EXPECT_FALSE(link->openAtStartUp());
  EXPECT_FALSE(link->usbActive());
  link->closeAtExit();
  EXPECT_TRUE(host.boxes.empty());
}

TEST_F(UsbLinkOnPty, PlugReceiveUnplugAndPlugAgain) {
  for (int i = 0; i < 3; ++i) EXPECT_EQ(link->poll(), UsbPollResult::kAbsent);
  EXPECT_TRUE(host.boxes.empty());

  auto pty = std::make_unique<Pty>();
  ASSERT_TRUE(pty->ok());
  plug(*pty);
  EXPECT_EQ(link->poll(), UsbPollResult::kPlugged);
  EXPECT_TRUE(link->usbActive());
  EXPECT_EQ(host.boxes, std::vector<std::string>{"USB device is enabled."});
  pty->closeSlave();  // only the link holds the device now
  EXPECT_EQ(link->poll(), UsbPollResult::kIdle);

  // A reply arrives and is handed on.
  const std::string reply =
      "\x02"
      "0209000100010001\x03";
  ASSERT_TRUE(pty->send(std::vector<uint8_t>(reply.begin(), reply.end())));
  ASSERT_TRUE(eventually([&] {
    link->poll();
    return host.received.size() >= reply.size();
  }));
  EXPECT_EQ(std::string(host.received.begin(), host.received.end()), reply);

  // A frame goes out.
  const std::string frame =
      "\x02"
      "020000040009"
      "0213\x03";
  EXPECT_EQ(link->sendFrame(reinterpret_cast<const uint8_t*>(frame.data()), frame.size()),
            frame.size());
  const auto out = pty->receive(frame.size());
  EXPECT_EQ(std::string(out.begin(), out.end()), frame);

  // Unplugged: the far end closes.
  pty->closeMaster();
  EXPECT_EQ(link->poll(), UsbPollResult::kUnplugged);
  EXPECT_FALSE(link->usbActive());
  EXPECT_EQ(link->UsbHandle(), 0u);
  EXPECT_EQ(host.boxes.back(), "USB device is disable.");
  EXPECT_NE(link->getQueueStatus(), FT_OK);
  // The kernel drops the node too; gone, it cannot lead to another program's pty that happens to
  // get the same number.
  tree.removeNode("ttyUSB1");
  const size_t shown = host.boxes.size();
  for (int i = 0; i < 3; ++i) EXPECT_EQ(link->poll(), UsbPollResult::kAbsent);
  EXPECT_EQ(host.boxes.size(), shown);  // silent while it stays away

  // Plugged in again (a new node).
  pty = std::make_unique<Pty>();
  ASSERT_TRUE(pty->ok());
  plug(*pty);
  EXPECT_EQ(link->poll(), UsbPollResult::kPlugged);
  EXPECT_EQ(host.boxes.back(), "USB device is enabled.");
  link->closeAtExit();
  EXPECT_FALSE(link->usbActive());
}

TEST_F(UsbLinkOnPty, UnplugByNodeRemoval) {
  Pty pty;
  ASSERT_TRUE(pty.ok());
  plug(pty);
  ASSERT_TRUE(link->openAtStartUp());
  EXPECT_EQ(link->poll(), UsbPollResult::kIdle);
  tree.removeNode("ttyUSB1");
  EXPECT_EQ(link->poll(), UsbPollResult::kUnplugged);
  EXPECT_EQ(host.boxes, std::vector<std::string>{"USB device is disable."});
}

TEST_F(UsbLinkOnPty, ScreenCaptureArrivingInSeveralReadsGivesTheBitmap) {
  Pty pty;
  ASSERT_TRUE(pty.ok());
  plug(pty);
  ASSERT_TRUE(link->openAtStartUp());
  link->setCaptureTimeouts();
  // A shorter read time-out than the capture's 500 ms keeps the closing empty read quick.
  link->setTimeouts(50, 50);

  std::vector<uint8_t> stream{0x02};
  for (int i = 0; i < 9662; ++i) stream.push_back(uint8_t(i * 31 + 5));
  stream.push_back(0x03);
  ASSERT_EQ(stream.size(), 9664u);

  std::array<uint8_t, kCaptureBufSize> captureBuf{};
  uint16_t CaptureLen = 0;
  UsbCaptureStream capture(captureBuf, CaptureLen);

  EXPECT_EQ(link->captureWaitStep(), UsbCaptureWait::kWaiting);
  const size_t parts[] = {1500, 3000, 2500, 2664};
  size_t sent = 0;
  int reads = 0;
  for (size_t part : parts) {
    ASSERT_TRUE(
        pty.send(std::vector<uint8_t>(stream.begin() + sent, stream.begin() + sent + part)));
    sent += part;
    if (sent == part) {
      ASSERT_TRUE(eventually([&] { return link->captureWaitStep() == UsbCaptureWait::kReady; }));
    }
    if (link->captureReadStep(capture) > 0) ++reads;
  }
  ASSERT_EQ(sent, stream.size());
  // Read on until a read brings nothing; bounded in case the kernel is slow to pass bytes on.
  for (int i = 0; i < 100; ++i) {
    if (link->captureReadStep(capture) > 0) {
      ++reads;
    } else if (capture.streamLength() == stream.size()) {
      break;
    }
  }
  CaptureLen = capture.imageLength();
  EXPECT_GE(reads, 2);
  EXPECT_EQ(capture.streamLength(), 9664u);
  EXPECT_EQ(CaptureLen, 9662);
  EXPECT_FALSE(capture.overflowed());
  EXPECT_FALSE(capture.lost());
  EXPECT_EQ(captureBuf[0], 5);
  EXPECT_EQ(captureBuf[9661], uint8_t(9661 * 31 + 5));
  link->setLinkTimeouts();
}

TEST_F(UsbLinkOnPty, ScreenCaptureCutByUnplugIsMarkedLost) {
  Pty pty;
  ASSERT_TRUE(pty.ok());
  plug(pty);
  ASSERT_TRUE(link->openAtStartUp());
  link->setTimeouts(50, 50);
  std::array<uint8_t, kCaptureBufSize> captureBuf{};
  UsbCaptureStream capture(captureBuf, 0);
  ASSERT_TRUE(pty.send(std::vector<uint8_t>(1000, 0x42)));
  ASSERT_TRUE(eventually([&] { return link->captureWaitStep() == UsbCaptureWait::kReady; }));
  EXPECT_GT(link->captureReadStep(capture), 0u);
  pty.closeSlave();
  pty.closeMaster();
  for (int i = 0; i < 10 && link->captureReadStep(capture) > 0;) ++i;
  EXPECT_TRUE(capture.lost());
  EXPECT_EQ(link->captureWaitStep(), UsbCaptureWait::kFailed);
}

}  // namespace
}  // namespace corvane
