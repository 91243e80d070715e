// UsbLink over a scripted backend: call order and arguments, statuses, reports, chunking.
#include "link/usb_link.h"

#include <gtest/gtest.h>

#include <deque>
#include <numeric>
#include <string>
#include <vector>

namespace corvane {
namespace {

class ScriptedBackend : public FtdiBackend {
 public:
  std::vector<std::string> calls;
  FtStatus openStatus = FT_OK;
  FtStatus queueStatus = FT_OK;
  FtStatus otherStatus = FT_OK;
  uint32_t queued = 0;
  std::deque<std::vector<uint8_t>> reads;  // one entry per read call
  uint32_t lastReadLength = 0;
  FtStatus readStatus = FT_OK;
  std::vector<std::vector<uint8_t>> writes;
  uint32_t writeLimit = UINT32_MAX;
  FtHandle nextHandle = 7;

  FtStatus open(int32_t index, FtHandle& handle) override {
    calls.push_back("open " + std::to_string(index));
    if (openStatus == FT_OK) handle = nextHandle++;
    return openStatus;
  }
  FtStatus close(FtHandle h) override {
    calls.push_back("close " + std::to_string(h));
    return h == 0 ? FT_INVALID_HANDLE : FT_OK;
  }
  FtStatus resetDevice(FtHandle h) override {
    calls.push_back("reset " + std::to_string(h));
    return otherStatus;
  }
  FtStatus setBaudRate(FtHandle, uint32_t baud) override {
    calls.push_back("baud " + std::to_string(baud));
    return otherStatus;
  }
  FtStatus setDataCharacteristics(FtHandle, uint8_t w, uint8_t s, uint8_t p) override {
    calls.push_back("data " + std::to_string(w) + " " + std::to_string(s) + " " +
                    std::to_string(p));
    return otherStatus;
  }
  FtStatus setFlowControl(FtHandle, uint16_t f, uint8_t xon, uint8_t xoff) override {
    calls.push_back("flow " + std::to_string(f) + " " + std::to_string(xon) + " " +
                    std::to_string(xoff));
    return otherStatus;
  }
  FtStatus setTimeouts(FtHandle, uint32_t r, uint32_t w) override {
    calls.push_back("timeouts " + std::to_string(r) + " " + std::to_string(w));
    return otherStatus;
  }
  FtStatus getQueueStatus(FtHandle, uint32_t& rx) override {
    calls.push_back("queue");
    rx = queued;
    return queueStatus;
  }
  FtStatus write(FtHandle, const uint8_t* data, uint32_t length, uint32_t& written) override {
    calls.push_back("write " + std::to_string(length));
    written = std::min(length, writeLimit);
    writes.emplace_back(data, data + written);
    return FT_OK;
  }
  FtStatus read(FtHandle, uint8_t* data, uint32_t length, uint32_t& got) override {
    calls.push_back("read " + std::to_string(length));
    lastReadLength = length;
    got = 0;
    if (reads.empty()) return readStatus;
    auto chunk = reads.front();
    reads.pop_front();
    got = std::min<uint32_t>(length, uint32_t(chunk.size()));
    std::copy_n(chunk.begin(), got, data);
    return FT_OK;
  }
};

struct Recorder {
  std::vector<std::string> boxes;
  std::vector<std::vector<uint8_t>> chunks;
  UsbLinkCallbacks callbacks() {
    return {[this](const std::string& t) { boxes.push_back("error: " + t); },
            [this](const uint8_t* d, int32_t n) { chunks.emplace_back(d, d + n); },
            [this] { boxes.push_back(kUsbEnabledText); },
            [this] { boxes.push_back(kUsbDisabledText); }};
  }
};

struct Fixture {
  explicit Fixture(bool reports = kUsbErrorReports) {
    auto b = std::make_unique<ScriptedBackend>();
    backend = b.get();
    link = std::make_unique<UsbLink>(std::move(b), recorder.callbacks(), reports);
  }
  Recorder recorder;
  ScriptedBackend* backend;
  std::unique_ptr<UsbLink> link;
};

TEST(UsbErrorText, NamesTheCallAndTheStatus) {
  EXPECT_EQ(usbErrorText(FtdiFunction::kOpen, FT_INVALID_HANDLE), "FT_Open - Invalid Handle...");
  EXPECT_EQ(usbErrorText(FtdiFunction::kOpen, FT_DEVICE_NOT_FOUND),
            "FT_Open - Device Not Found....");
  EXPECT_EQ(usbErrorText(FtdiFunction::kClose, FT_DEVICE_NOT_OPENED),
            "FT_Close - Device Not Opened...");
  EXPECT_EQ(usbErrorText(FtdiFunction::kGetQueueStatus, FT_IO_ERROR),
            "FT_GetQueueStatus - General IO Error...");
  EXPECT_EQ(usbErrorText(FtdiFunction::kRead, FT_INSUFFICIENT_RESOURCES),
            "FT_Read - Insufficient Resources...");
  EXPECT_EQ(usbErrorText(FtdiFunction::kSetBaudRate, FT_INVALID_BAUD_RATE),
            "FT_SetBaudRate - Error 7...");

  const char* names[] = {"FT_Open",
                         "FT_Close",
                         "FT_ResetDevice",
                         "FT_SetBaudRate",
                         "FT_SetDataCharacteristics",
                         "FT_SetFlowControl",
                         "FT_SetTimeouts",
                         "FT_GetQueueStatus",
                         "FT_Write",
                         "FT_Read"};
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(ftdiFunctionName(static_cast<FtdiFunction>(i)), names[i]);
  }
}

TEST(UsbLink, StartUpOpensDeviceZeroAndRunsTheSetUpSequenceInOrder) {
  Fixture f;
  EXPECT_EQ(f.link->UsbHandle(), 0u);
  EXPECT_EQ(f.link->UsbDeviceIndex(), 0);
  EXPECT_FALSE(f.link->UsbErrorReports());
  EXPECT_EQ(f.link->UsbRxBuf().size(), 32768u);

  ASSERT_TRUE(f.link->openAtStartUp());
  EXPECT_TRUE(f.link->usbActive());
  EXPECT_EQ(f.link->UsbHandle(), 7u);
  const std::vector<std::string> expected = {"open 0",     "reset 7",      "baud 921600",
                                             "data 8 0 0", "flow 0 17 19", "timeouts 6 6"};
  EXPECT_EQ(f.backend->calls, expected);
  EXPECT_TRUE(f.recorder.boxes.empty());  // the serial link stays selected; nothing shown
}

TEST(UsbLink, StartUpWithoutDeviceReportsUnusableAndSetsNothingUp) {
  Fixture f;
  f.backend->openStatus = FT_DEVICE_NOT_FOUND;
  EXPECT_FALSE(f.link->openAtStartUp());
  EXPECT_FALSE(f.link->usbActive());
  EXPECT_EQ(f.backend->calls, std::vector<std::string>{"open 0"});
  EXPECT_TRUE(f.recorder.boxes.empty());  // the caller shows "USB is not available."
  EXPECT_STREQ(kUsbNotAvailableText, "USB is not available.");

  // Exit still calls close, with the never-set handle 0, and shows nothing.
  f.link->closeAtExit();
  EXPECT_EQ(f.backend->calls.back(), "close 0");
  EXPECT_TRUE(f.recorder.boxes.empty());
}

TEST(UsbLink, ErrorReportsAreShownOnlyWhenSwitchedOn) {
  Fixture off;
  off.backend->openStatus = FT_DEVICE_NOT_FOUND;
  off.backend->otherStatus = FT_IO_ERROR;
  EXPECT_EQ(off.link->open(), FT_DEVICE_NOT_FOUND);
  EXPECT_EQ(off.link->setTimeouts(6, 6), FT_IO_ERROR);
  EXPECT_TRUE(off.recorder.boxes.empty());

  Fixture on(true);
  on.backend->openStatus = FT_DEVICE_NOT_FOUND;
  EXPECT_EQ(on.link->open(), FT_DEVICE_NOT_FOUND);
  on.link->closeAtExit();
  on.backend->openStatus = FT_OK;
  on.backend->otherStatus = FT_INSUFFICIENT_RESOURCES;
  ASSERT_EQ(on.link->open(), FT_OK);
  on.link->setBaudRate();
  on.backend->otherStatus = FT_OK;
  on.link->setFlowControl();  // success: no box
  const std::vector<std::string> expected = {"error: FT_Open - Device Not Found....",
                                             "error: FT_Close - Invalid Handle...",
                                             "error: FT_SetBaudRate - Insufficient Resources..."};
  EXPECT_EQ(on.recorder.boxes, expected);
}

TEST(UsbLink, PollPlugsReceivesAndUnplugsWithoutClosingTwice) {
  Fixture f;
  f.backend->openStatus = FT_DEVICE_NOT_FOUND;
  EXPECT_EQ(f.link->poll(), UsbPollResult::kAbsent);
  EXPECT_EQ(f.link->poll(), UsbPollResult::kAbsent);
  EXPECT_TRUE(f.recorder.boxes.empty());  // silent retries

  f.backend->openStatus = FT_OK;
  EXPECT_EQ(f.link->poll(), UsbPollResult::kPlugged);
  EXPECT_TRUE(f.link->usbActive());
  EXPECT_EQ(f.recorder.boxes, std::vector<std::string>{"USB device is enabled."});
  EXPECT_EQ(f.backend->calls.back(), "timeouts 6 6");

  EXPECT_EQ(f.link->poll(), UsbPollResult::kIdle);
  f.backend->queued = 3;
  f.backend->reads.push_back({0x02, '1', 0x03});
  EXPECT_EQ(f.link->poll(), UsbPollResult::kReceived);
  EXPECT_EQ(f.backend->lastReadLength, 32768u);
  ASSERT_EQ(f.recorder.chunks.size(), 1u);
  EXPECT_EQ(f.recorder.chunks[0], (std::vector<uint8_t>{0x02, '1', 0x03}));

  f.backend->queueStatus = FT_IO_ERROR;
  EXPECT_EQ(f.link->poll(), UsbPollResult::kUnplugged);
  EXPECT_FALSE(f.link->usbActive());
  EXPECT_EQ(f.link->UsbHandle(), 0u);
  EXPECT_EQ(f.backend->calls.back(), "close 7");
  EXPECT_EQ(f.recorder.boxes.back(), "USB device is disable.");

  // Exit after the loss must not hand the freed handle to the library again.
  f.link->closeAtExit();
  EXPECT_EQ(f.backend->calls.back(), "close 0");

  // Plugged in again: a fresh handle.
  f.backend->queueStatus = FT_OK;
  EXPECT_EQ(f.link->poll(), UsbPollResult::kPlugged);
  EXPECT_EQ(f.link->UsbHandle(), 8u);
}

TEST(UsbLink, FullReadIsHandedOnInChunksTheFramerAccepts) {
  Fixture f;
  ASSERT_TRUE(f.link->openAtStartUp());
  std::vector<uint8_t> big(40000);
  std::iota(big.begin(), big.end(), uint8_t{0});
  f.backend->queued = 40000;
  f.backend->reads.push_back(big);
  EXPECT_EQ(f.link->poll(), UsbPollResult::kReceived);
  ASSERT_EQ(f.recorder.chunks.size(), 2u);
  EXPECT_EQ(f.recorder.chunks[0].size(), 30001u);
  EXPECT_EQ(f.recorder.chunks[1].size(), 2767u);  // 32,768 read in all
  EXPECT_EQ(f.recorder.chunks[1][0], uint8_t(30001 % 256));

  // The queue said bytes wait but the read got none: no empty chunk reaches the framer.
  f.backend->queued = 5;
  EXPECT_EQ(f.link->poll(), UsbPollResult::kIdle);
  EXPECT_EQ(f.recorder.chunks.size(), 2u);

  // Reads are never asked for more than the buffer holds.
  EXPECT_EQ(f.link->read(100000), 0u);
  EXPECT_EQ(f.backend->lastReadLength, 32768u);
}

TEST(UsbLink, FramesGoThroughTheTransmitBufferInOneWrite) {
  Fixture f;
  ASSERT_TRUE(f.link->openAtStartUp());
  const std::string frame =
      "\x02"
      "01700000"
      "0170\x03";
  EXPECT_EQ(f.link->sendFrame(reinterpret_cast<const uint8_t*>(frame.data()), frame.size()), 14u);
  ASSERT_EQ(f.backend->writes.size(), 1u);
  EXPECT_EQ(std::string(f.backend->writes[0].begin(), f.backend->writes[0].end()), frame);
  EXPECT_EQ(f.link->transmitBuffer()[1], '0');

  // Longer than the buffer: buffer-sized writes; a short write ends the send.
  std::vector<uint8_t> longFrame(5000, 'x');
  EXPECT_EQ(f.link->sendFrame(longFrame.data(), longFrame.size()), 5000u);
  EXPECT_EQ(f.backend->calls.back(), "write 904");
  f.backend->writeLimit = 10;
  EXPECT_EQ(f.link->sendFrame(longFrame.data(), longFrame.size()), 10u);
  EXPECT_EQ(f.backend->calls.back(), "write 4096");
}

TEST(UsbLink, CaptureStepsQueryAndAccumulate) {
  Fixture f;
  ASSERT_TRUE(f.link->openAtStartUp());
  f.link->setCaptureTimeouts();
  EXPECT_EQ(f.backend->calls.back(), "timeouts 500 500");
  EXPECT_EQ(f.link->captureWaitStep(), UsbCaptureWait::kWaiting);
  f.backend->queued = 1;
  EXPECT_EQ(f.link->captureWaitStep(), UsbCaptureWait::kReady);

  std::array<uint8_t, kCaptureBufSize> buf{};
  UsbCaptureStream stream(buf, 0);
  f.backend->reads.push_back({0x02, 'B', 'M'});
  f.backend->reads.push_back({'x', 0x03});
  EXPECT_EQ(f.link->captureReadStep(stream), 3u);
  EXPECT_EQ(f.link->captureReadStep(stream), 2u);
  EXPECT_EQ(f.link->captureReadStep(stream), 0u);
  EXPECT_EQ(stream.streamLength(), 5u);
  EXPECT_EQ(stream.imageLength(), 3u);
  EXPECT_EQ(buf[0], 'B');
  EXPECT_EQ(buf[2], 'x');

  EXPECT_FALSE(stream.lost());

  // The device goes away mid-stream: the stream ends and is marked lost.
  UsbCaptureStream cut(buf, 0);
  f.backend->reads.push_back({0x02, 'B'});
  EXPECT_EQ(f.link->captureReadStep(cut), 2u);
  f.backend->readStatus = FT_IO_ERROR;
  EXPECT_EQ(f.link->captureReadStep(cut), 0u);
  EXPECT_TRUE(cut.lost());
  EXPECT_EQ(f.link->lastReadStatus(), FT_IO_ERROR);

  f.backend->queueStatus = FT_IO_ERROR;
  EXPECT_EQ(f.link->captureWaitStep(), UsbCaptureWait::kFailed);
  f.link->setLinkTimeouts();
  EXPECT_EQ(f.backend->calls.back(), "timeouts 6 6");
}

}  // namespace
}  // namespace corvane
