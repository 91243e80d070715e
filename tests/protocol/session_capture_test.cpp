// The instrument's screen image over USB (raw stream) and over the serial link (reply 166).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "session_test_support.h"

namespace corvane {
namespace {

using sessiontest::Rig;

std::vector<uint8_t> fileBytes(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

sim::ModelOptions rawImageModel() {
  sim::ModelOptions o = Rig::quietModel();
  o.rawScreenImage = true;
  return o;
}

TEST(SessionCapture, AUsbStreamInSeveralReadsBecomesTestBmp) {
  Rig r(rawImageModel());
  r.startUsb();
  r.usbState->maxRead = 4000;
  std::vector<std::string> rxTexts;
  bool finished = false;
  bool written = false;
  r.session->setOnCaptureFinished([&](bool w) {
    finished = true;
    written = w;
  });
  r.host.calls.clear();
  ASSERT_TRUE(r.session->captureScreen());
  EXPECT_FALSE(r.session->usbPoll().active());
  EXPECT_EQ(r.usbFrames().back(), "0166000400000170");
  EXPECT_EQ(r.usbState->readTimeoutMs, 500u);
  EXPECT_EQ(r.host.rxTot, "");
  ASSERT_TRUE(r.runUntil([&] {
    if (rxTexts.empty() || rxTexts.back() != r.host.rxTot) rxTexts.push_back(r.host.rxTot);
    return finished;
  }));
  EXPECT_TRUE(written);
  EXPECT_EQ(rxTexts, (std::vector<std::string>{"", "(4000)", "(8000)", "(9664)"}));

  const std::filesystem::path file = r.dir.path() / "Test.BMP";
  const std::vector<uint8_t> image = fileBytes(file);
  EXPECT_EQ(image.size(), 9662u);
  EXPECT_EQ(image, r.model.screenBmp());
  EXPECT_EQ(image[0], 'B');
  EXPECT_EQ(r.session->exchange().capture.CaptureLen, 9662);
  EXPECT_EQ(r.session->exchange().capture.CaptureBuf[1], 'M');
  EXPECT_TRUE(r.session->timedOut());
  EXPECT_TRUE(r.session->flags().ReplyReady);
  EXPECT_EQ(r.usbState->readTimeoutMs, 6u);
  EXPECT_TRUE(r.session->usbPoll().active());
  ASSERT_EQ(r.host.calls.size(), 4u);
  EXPECT_EQ(r.host.calls[0], "EnableCommandControls(false)");
  EXPECT_EQ(r.host.calls[1], "setCaptureButtonEnabled(false)");
  EXPECT_EQ(r.host.calls[2], "ShowCapturedImage(" + file.string() + ")");
  EXPECT_EQ(r.host.calls[3], "EnableCommandControls(true)");

  // The still running reply time-out reports nothing afterwards.
  r.timers.advance(1000);
  EXPECT_TRUE(r.host.errors.empty());
}

TEST(SessionCapture, NoAnswerWritesNoFileAndReleasesTheControls) {
  Rig r(rawImageModel());
  r.startUsb();
  r.instrumentSilent = true;
  bool written = true;
  r.session->setOnCaptureFinished([&](bool w) { written = w; });
  r.session->captureScreen();
  r.timers.advance(499);
  EXPECT_TRUE(r.session->captureRunning());
  EXPECT_FALSE(r.host.commandControlsEnabled);
  r.timers.advance(2);
  EXPECT_FALSE(r.session->captureRunning());
  EXPECT_FALSE(written);
  EXPECT_EQ(r.host.errors, std::vector<std::string>{"Receive time out."});
  EXPECT_FALSE(std::filesystem::exists(r.dir.path() / "Test.BMP"));
  EXPECT_EQ(r.session->exchange().capture.CaptureLen, 0);
  EXPECT_TRUE(r.host.commandControlsEnabled);
  EXPECT_TRUE(r.host.captureButton);
  EXPECT_TRUE(r.host.capturedImages.empty());
  EXPECT_TRUE(r.session->timedOut());
  EXPECT_TRUE(r.session->flags().ReplyReady);
  EXPECT_EQ(r.usbState->readTimeoutMs, 6u);
}

TEST(SessionCapture, BadStreamsWriteNoFile) {
  enum class Fault { kQueryFails, kLostMidStream, kTooLong, kNoDevice };
  for (Fault fault :
       {Fault::kQueryFails, Fault::kLostMidStream, Fault::kTooLong, Fault::kNoDevice}) {
    SCOPED_TRACE(static_cast<int>(fault));
    Rig r(rawImageModel());
    if (fault == Fault::kNoDevice) {
      r.startSerial();  // USB absent: the capture over USB cannot even query
    } else {
      r.startUsb();
    }
    r.usbState->maxRead = 4000;
    bool finished = false;
    bool written = true;
    r.session->setOnCaptureFinished([&](bool w) {
      finished = true;
      written = w;
    });
    if (fault == Fault::kTooLong) {
      r.instrumentSilent = true;
      r.usbState->rx = "\x02" + std::string(13000, 'x') + "\x03";
    }
    ASSERT_TRUE(r.session->captureScreenOverUsb());
    if (fault == Fault::kQueryFails) r.usbState->lost = true;
    if (fault == Fault::kLostMidStream) {
      ASSERT_TRUE(r.runUntil([&] { return r.host.rxTot == "(4000)"; }, 100));
      r.usbState->lost = true;
    }
    ASSERT_TRUE(r.runUntil([&] { return finished; }, 2000));
    EXPECT_FALSE(written);
    EXPECT_FALSE(std::filesystem::exists(r.dir.path() / "Test.BMP"));
    EXPECT_EQ(r.session->exchange().capture.CaptureLen, 0);
    EXPECT_TRUE(r.session->timedOut());
    EXPECT_TRUE(r.host.errors.empty());
  }
}

TEST(SessionCapture, UsbCaptureRestartsAPollItStopped) {
  Rig r(rawImageModel());
  r.startUsb();
  ASSERT_TRUE(r.session->usbPoll().active());
  bool finished = false;
  r.session->setOnCaptureFinished([&](bool) { finished = true; });
  ASSERT_TRUE(r.session->captureScreenOverUsb());
  EXPECT_FALSE(r.session->usbPoll().active());
  EXPECT_FALSE(r.session->captureScreenOverUsb());  // one at a time
  ASSERT_TRUE(r.runUntil([&] { return finished; }));
  EXPECT_TRUE(r.session->usbPoll().active());
  EXPECT_EQ(std::filesystem::file_size(r.dir.path() / "Test.BMP"), 9662u);
}

TEST(SessionCapture, OverTheSerialLinkTheReplyIsDecodedIntoTestBmp) {
  Rig r;
  r.startSerial();
  bool finished = false;
  bool written = false;
  r.session->setOnCaptureFinished([&](bool w) {
    finished = true;
    written = w;
  });
  ASSERT_TRUE(r.session->captureScreen());
  EXPECT_EQ(r.serialFrames().back(), "0166000400000170");
  EXPECT_FALSE(r.session->usbPoll().active());  // the USB poll stays off over the serial link
  ASSERT_TRUE(r.runUntil([&] { return finished; }, 3000));
  EXPECT_TRUE(written);
  EXPECT_EQ(fileBytes(r.dir.path() / "Test.BMP"), r.model.screenBmp());
  EXPECT_TRUE(r.host.commandControlsEnabled);
  EXPECT_TRUE(r.host.captureButton);
  EXPECT_TRUE(r.host.errors.empty());
}

// A stray chunk stops the reply time-out while the serial capture waits: the wait must still end.
TEST(SessionCapture, ASerialCaptureWhoseTimerWasStoppedStillTimesOut) {
  Rig r;
  r.instrumentSilent = true;
  r.startSerial();
  bool finished = false;
  r.session->setOnCaptureFinished([&](bool) { finished = true; });
  r.session->captureScreen();
  r.timers.advance(100);
  const std::string stray = "noise";
  r.session->receiveData(nullptr, testing::bytesOf(stray).data(),
                         static_cast<int32_t>(stray.size()));
  ASSERT_TRUE(r.runUntil([&] { return finished; }, 2000));
  EXPECT_EQ(r.host.errors, std::vector<std::string>{"Receive time out."});
  EXPECT_TRUE(r.host.commandControlsEnabled);
  EXPECT_TRUE(r.host.captureButton);
  EXPECT_FALSE(std::filesystem::exists(r.dir.path() / "Test.BMP"));
}

}  // namespace
}  // namespace corvane
