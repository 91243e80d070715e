// The reply time-out, the real-time loop and the parking of commands, stepped on the manual clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "session_test_support.h"

namespace corvane {
namespace {

using sessiontest::Rig;

constexpr const char* kStatusRequest = "0200000400090213";
constexpr const char* kWaveformRequest = "0200000400030207";

int countOf(const std::vector<std::string>& frames, const std::string& frame) {
  return static_cast<int>(std::count(frames.begin(), frames.end(), frame));
}

TEST(SessionTimeout, WithTheLoopRunningTheFifthExpiryInARowReportsIt) {
  Rig r;
  r.instrumentSilent = true;
  r.startSerial();
  r.session->startLoop();
  // 30 unhandled ticks start the reply time-out at 1500 ms; each expiry then releases the loop to
  // its next step, and every other cycle step sends a status request.
  r.timers.advance(4499);
  EXPECT_TRUE(r.host.errors.empty());
  EXPECT_EQ(r.serialFrames(), std::vector<std::string>(4, kStatusRequest));
  EXPECT_EQ(r.session->flags().TimeoutTicks, 4);
  EXPECT_EQ(r.host.frameRateText, "FrameRate = 2");  // 9 waiting ticks before the first release

  r.timers.advance(1);
  EXPECT_EQ(r.host.errors, std::vector<std::string>{"Receive time out."});
  EXPECT_TRUE(r.session->timedOut());
  EXPECT_EQ(r.session->flags().TimeoutTicks, 0);
  EXPECT_FALSE(r.session->flags().ReplyReady);

  // While TimedOut stays set, expiries neither report again nor release the loop.
  r.timers.advance(5000);
  EXPECT_EQ(r.host.errors.size(), 1u);
  EXPECT_EQ(r.serialFrames().size(), 4u);
}

TEST(SessionTimeout, WithoutTheLoopTheFirstExpiryReportsIt) {
  Rig r;
  r.instrumentSilent = true;
  r.startSerial();
  r.session->sender().SendSetting(8, 6);
  r.timers.advance(499);
  EXPECT_TRUE(r.host.errors.empty());
  r.timers.advance(1);
  EXPECT_EQ(r.host.errors, std::vector<std::string>{"Receive time out."});
  EXPECT_FALSE(r.session->flags().ReplyReady);
  EXPECT_FALSE(r.session->replyTimeout().active());
}

TEST(SessionTimeout, ACountPastTheLimitStillReports) {
  Rig r;
  r.instrumentSilent = true;
  r.startSerial();
  r.session->startLoop();
  r.timers.advance(3300);  // three expiries counted while the loop ran
  ASSERT_EQ(r.session->flags().TimeoutTicks, 3);
  r.session->stopLoop();
  r.session->sender().SendSetting(8, 6);
  r.timers.advance(600);
  EXPECT_EQ(r.host.errors, std::vector<std::string>{"Receive time out."});
}

TEST(SessionLoop, AParkedFrameGoesOutOnTheSixthHandledTickAndTheLoopResumesOnTheEleventh) {
  Rig r;
  startIdleLoop(r);
  const std::size_t frames = r.serialFrames().size();
  const std::size_t handOvers = r.host.receivedBlocks.size();

  r.session->sender().SendSetting(8, 6);
  EXPECT_TRUE(r.session->sender().PendingFlag());
  EXPECT_EQ(r.serialFrames().size(), frames);
  r.timers.advance(250);
  EXPECT_EQ(r.session->pendingTicks(), 5);
  EXPECT_EQ(r.serialFrames().size(), frames);
  r.timers.advance(50);
  EXPECT_EQ(r.serialFrames().back(), "0006000400080018");
  EXPECT_EQ(r.model.settings().ch[0].voltDiv, 8);
  r.timers.advance(200);
  EXPECT_FALSE(r.session->sender().PendingFlag());
  EXPECT_EQ(r.session->pendingTicks(), 0);
  EXPECT_EQ(r.host.receivedBlocks.size(), handOvers);
  r.timers.advance(50);
  EXPECT_EQ(r.host.receivedBlocks.size(), handOvers + 1);
  EXPECT_EQ(countOf(r.serialFrames(), "0006000400080018"), 1);
}

TEST(SessionLoop, AFrameParkedBeforeTheSixthTickReplacesTheUnsentOne) {
  Rig r;
  startIdleLoop(r);
  r.session->sender().SendSetting(8, 6);
  r.timers.advance(100);
  r.session->sender().SendSetting(3, 6);  // does not restart the pause
  r.timers.advance(200);
  const std::vector<std::string> frames = r.serialFrames();
  EXPECT_EQ(frames.back(), "0006000400030013");
  EXPECT_EQ(countOf(frames, "0006000400080018"), 0);
}

TEST(SessionLoop, AFrameParkedAfterTheSlotWentOutGetsAPauseOfItsOwn) {
  Rig r;
  startIdleLoop(r);
  r.session->sender().SendSetting(8, 6);
  r.timers.advance(300);
  ASSERT_EQ(r.serialFrames().back(), "0006000400080018");
  r.timers.advance(100);
  r.session->sender().SendSetting(3, 6);
  const std::size_t handOvers = r.host.receivedBlocks.size();
  r.timers.advance(100);  // the eleventh tick of the first pause
  EXPECT_TRUE(r.session->sender().PendingFlag());
  EXPECT_EQ(r.session->pendingTicks(), 0);
  r.timers.advance(250);
  EXPECT_EQ(countOf(r.serialFrames(), "0006000400030013"), 0);
  r.timers.advance(50);
  EXPECT_EQ(r.serialFrames().back(), "0006000400030013");
  EXPECT_EQ(r.model.settings().ch[0].voltDiv, 3);
  r.timers.advance(200);
  EXPECT_FALSE(r.session->sender().PendingFlag());
  EXPECT_EQ(r.host.receivedBlocks.size(), handOvers);
  r.timers.advance(50);
  EXPECT_EQ(r.host.receivedBlocks.size(), handOvers + 1);
  EXPECT_EQ(countOf(r.serialFrames(), "0006000400030013"), 1);
}

TEST(SessionLoop, StoppingTheLoopSendsAFrameStillInTheSlotOnce) {
  Rig r;
  startIdleLoop(r);
  r.session->sender().SendSetting(8, 6);
  r.session->stopLoop();
  EXPECT_FALSE(r.session->loopRunning());
  EXPECT_FALSE(r.session->sender().PendingFlag());
  EXPECT_EQ(r.serialFrames().back(), "0006000400080018");

  r.session->startLoop();
  r.session->sender().SendSetting(3, 6);
  r.timers.advance(350);  // sent on the sixth tick
  r.session->stopLoop();
  EXPECT_EQ(countOf(r.serialFrames(), "0006000400030013"), 1);
  EXPECT_FALSE(r.session->sender().PendingFlag());
}

TEST(SessionLoop, AutoSetPausesTheLoopUntilTheReplyTimeoutExpires) {
  Rig r;
  startIdleLoop(r);  // t = 200
  // What the Auto Set command does while the loop runs.
  r.session->replyTimeout().setInterval(AcquisitionSession::kAutoSetTimeoutMs);
  r.session->sender().SendActionFrame(0, 190);
  r.timers.advance(300);  // t = 500, the sixth handled tick
  EXPECT_EQ(r.serialFrames().back(), "01740008000001900372");
  EXPECT_TRUE(r.session->slowReply());
  EXPECT_TRUE(r.model.busy());
  const std::size_t handOvers = r.host.receivedBlocks.size();

  // The instrument answers after 2.5 s, which stops the reply time-out; 30 waiting ticks later
  // (3500 ms) the time-out starts again with 7000 ms, so the pause ends at 10500 ms.
  r.timers.advance(10499 - 500);
  EXPECT_FALSE(r.model.busy());
  EXPECT_TRUE(r.session->slowReply());
  EXPECT_EQ(r.host.receivedBlocks.size(), handOvers);
  r.timers.advance(1);
  EXPECT_FALSE(r.session->slowReply());
  EXPECT_EQ(r.session->replyTimeout().interval(), 500);
  EXPECT_FALSE(r.session->replyTimeout().active());
  EXPECT_TRUE(r.host.errors.empty());
  // The four remaining ticks of the pause, then the loop's own work again.
  r.timers.advance(150);
  EXPECT_EQ(r.host.receivedBlocks.size(), handOvers);
  r.timers.advance(50);
  EXPECT_EQ(r.host.receivedBlocks.size(), handOvers + 1);
}

TEST(SessionLoop, AParkedFrameAtTheShortTimeOutDoesNotPause) {
  Rig r;
  startIdleLoop(r);
  r.session->sender().SendSetting(8, 6);
  r.timers.advance(300);
  EXPECT_FALSE(r.session->slowReply());
}

TEST(SessionLoop, WaveformRequestsOnlyForTimeBasesSixToTwentyThree) {
  for (int timeDiv : {5, 6, 23, 24}) {
    SCOPED_TRACE(timeDiv);
    Rig r;
    r.startSerial();
    sim::InstrumentSettings s = r.model.settings();
    s.timeDiv = timeDiv;
    ASSERT_TRUE(r.model.setSettings(s));
    r.session->exchange().flags.ReplyReady = true;
    r.session->startLoop();
    r.timers.advance(2000);
    const std::vector<std::string> frames = r.serialFrames();
    const bool waveforms = timeDiv >= 6 && timeDiv <= 23;
    EXPECT_GT(countOf(frames, kStatusRequest), 5);
    EXPECT_EQ(countOf(frames, kWaveformRequest) > 0, waveforms);
    EXPECT_EQ(countOf(frames, kStatusRequest) + countOf(frames, kWaveformRequest),
              static_cast<int>(frames.size()));
    if (!waveforms) {
      EXPECT_EQ(r.host.frameRateText, "FrameRate = ");
    }
  }
}

// The frame rate comes from the ticks spent waiting for the waveform reply.
TEST(SessionLoop, FrameRateLabelFromTheWaitingTicks) {
  const std::string ignored = testing::settingReply(999, 0);
  for (auto [wait, label] : {std::pair{4, "FrameRate = 5"}, std::pair{3, "FrameRate = 7"},
                             std::pair{1, "FrameRate = 20"}}) {
    SCOPED_TRACE(wait);
    Rig r;
    r.instrumentSilent = true;
    r.startSerial();
    r.session->block().setTimeDivIndex(16);
    r.session->exchange().flags.ReplyReady = true;
    r.session->startLoop();
    auto answer = [&] {
      r.session->receiveData(nullptr, testing::bytesOf(ignored).data(),
                             static_cast<int32_t>(ignored.size()));
    };
    r.timers.advance(100);  // phase 0 hand-over, phase 1 status request
    ASSERT_EQ(r.serialFrames().back(), kStatusRequest);
    answer();
    r.timers.advance(100);  // phase 2 hand-over, phase 3 waveform request
    ASSERT_EQ(r.serialFrames().back(), kWaveformRequest);
    r.timers.advance(50 * wait);
    EXPECT_EQ(r.session->waitTicks(), wait);
    answer();
    r.timers.advance(50);
    EXPECT_EQ(r.host.frameRateText, label);
    EXPECT_EQ(r.session->loopPhase(), 1);
    EXPECT_EQ(r.session->waitTicks(), 0);
  }
}

TEST(SessionLoop, ThirtyWaitingTicksStartTheReplyTimeout) {
  Rig r;
  r.instrumentSilent = true;
  r.startSerial();
  r.session->startLoop();
  r.timers.advance(29 * 50);
  EXPECT_EQ(r.session->waitTicks(), 29);
  EXPECT_FALSE(r.session->replyTimeout().active());
  r.timers.advance(50);
  EXPECT_EQ(r.session->waitTicks(), 0);
  EXPECT_TRUE(r.session->replyTimeout().active());
  EXPECT_TRUE(r.host.receivedBlocks.empty());
}

TEST(SessionFocus, FocusKeeperFocusesTheHiddenEditOnlyWithoutScopeWindows) {
  Rig r;
  r.startSerial();
  EXPECT_TRUE(r.session->focusKeeper().active());
  r.timers.advance(1000);
  EXPECT_EQ(r.host.edit1Focused, 0);
  r.host.windowsOpen = false;
  r.timers.advance(2000);
  EXPECT_EQ(r.host.edit1Focused, 2);
}

TEST(SessionUsb, UnplugWhileTheLoopRunsStopsItAndReplugIsAnnounced) {
  Rig r;
  r.startUsb();
  ASSERT_TRUE(r.session->usbActive());
  r.session->exchange().flags.ReplyReady = true;
  r.session->startLoop();
  r.timers.advance(500);
  EXPECT_GT(r.usbFrames().size(), 2u);
  EXPECT_TRUE(r.serialFrames().empty());

  r.usbState->lost = true;
  r.timers.advance(1);
  EXPECT_EQ(r.host.errors, std::vector<std::string>{"USB device is disable."});
  EXPECT_FALSE(r.session->loopRunning());
  EXPECT_FALSE(r.session->usbActive());
  EXPECT_EQ(r.host.count("resetRunButton"), 1);
  EXPECT_EQ(r.usbState->closes, 1);

  r.usbState->present = false;
  r.timers.advance(100);  // silent retries
  EXPECT_TRUE(r.host.informations.empty());
  r.usbState->present = true;
  r.timers.advance(1);
  EXPECT_EQ(r.host.informations, std::vector<std::string>{"USB device is enabled."});
  EXPECT_TRUE(r.session->usbActive());
  EXPECT_EQ(r.usbState->readTimeouts.back(), 6u);
}

}  // namespace
}  // namespace corvane
