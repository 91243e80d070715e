// The "Setup Para." load against the simulated instrument: request order, hand-over, time-outs,
// exit, and the command lock.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "session_test_support.h"

namespace corvane {
namespace {

using sessiontest::Rig;

const std::vector<std::string> kFullLoad = {
    "017100000171",     "012400000124",     "007000000070",     "003100000031",
    "0200000400090213", "0200000400070211", "0200000400030207", "0200000400060210",
};

TEST(SessionLoad, RequestsInOrderAndHandsTheInstrumentsRecordOver) {
  Rig r;
  r.startSerial();
  bool finished = false;
  bool handedOver = false;
  r.session->setOnLoadFinished([&](bool h) {
    finished = true;
    handedOver = h;
  });
  r.host.calls.clear();
  ASSERT_TRUE(r.session->startSetupLoad());
  EXPECT_FALSE(r.session->loadFinished());
  EXPECT_TRUE(r.session->loadInProgress());
  EXPECT_EQ(r.serialFrames(), std::vector<std::string>{"017100000171"});  // one at a time
  EXPECT_FALSE(r.session->startSetupLoad());                              // a second is refused

  ASSERT_TRUE(r.runUntil([&] { return finished; }, 2000));
  EXPECT_TRUE(handedOver);
  EXPECT_EQ(r.serialFrames(), kFullLoad);
  EXPECT_TRUE(r.session->loadFinished());
  EXPECT_FALSE(r.session->loadInProgress());
  EXPECT_TRUE(r.host.errors.empty());
  ASSERT_EQ(r.host.calls.size(), 3u);
  EXPECT_EQ(r.host.calls[0], "EnableCommandControls(false)");
  EXPECT_EQ(r.host.calls[1], "EnableCommandControls(true)");
  EXPECT_EQ(r.host.calls[2], "ReceiveBlock");

  const WaveformBlock& b = r.host.receivedBlocks.at(0);
  EXPECT_EQ(b.TimeDivIndex(), 16);
  EXPECT_EQ(b.Ch1VoltDivIndex(), 8);
  EXPECT_EQ(b.Ch2Position(), 275);
  EXPECT_EQ(b.RecallSelect(), 255);
  EXPECT_EQ(b.RecallShown(), 0);
  EXPECT_EQ(b.LinkUsb(), 0);
  const sim::DisplayTraces t = r.model.traces();
  for (int i : {0, 123, 499}) {
    EXPECT_EQ(b.Ch1Samples(i), t.codes[0][i]) << i;
    EXPECT_EQ(b.Ch2Samples(i), t.codes[1][i]) << i;
  }
  EXPECT_NE(b.LimitUpper(10), 0);
}

TEST(SessionLoad, VariantAndRecallChooseTheirRequests) {
  struct Case {
    int variant;
    int recall;
    std::string timeDivRequest;
    bool recallTrace;
  };
  for (const Case& c : {Case{1, 4, "003200000032", true}, Case{0, 5, "003100000031", false},
                        Case{1, 0, "003200000032", true}}) {
    SCOPED_TRACE(c.recall);
    sim::ModelOptions o = Rig::quietModel();
    o.variantFlag = c.variant;
    Rig r(o);
    sim::InstrumentSettings s = r.model.settings();
    s.recallSelect = c.recall;
    ASSERT_TRUE(r.model.setSettings(s));
    r.startSerial();
    r.session->startSetupLoad();
    ASSERT_TRUE(r.runUntil([&] { return r.session->loadFinished(); }, 2000));
    std::vector<std::string> want = kFullLoad;
    want[3] = c.timeDivRequest;
    if (c.recallTrace) want.insert(want.begin() + 7, "0200000400050209");
    EXPECT_EQ(r.serialFrames(), want);
    EXPECT_EQ(r.host.receivedBlocks.at(0).RecallShown(), c.recallTrace ? 1 : 0);
    EXPECT_EQ(r.host.receivedBlocks.at(0).VariantFlag(), c.variant);
  }
}

TEST(SessionLoad, ATimeOutSendsTheRestWithoutWaitingAndSkipsTheHandOver) {
  sim::ModelOptions o = Rig::quietModel();
  o.variantFlag = 1;
  Rig r(o);
  r.startSerial();
  // The instrument answers 171 and then falls silent.
  r.unanswered = {"012400000124",     "007000000070",     "003200000032",     "0200000400090213",
                  "0200000400070211", "0200000400030207", "0200000400050209", "0200000400060210"};
  bool handedOver = true;
  r.session->setOnLoadFinished([&](bool h) { handedOver = h; });
  r.session->startSetupLoad();
  // 171 is answered at the next poll (50 ms); 124 then times out 500 ms after it went out.
  r.timers.advance(549);
  EXPECT_EQ(r.serialFrames().size(), 2u);
  EXPECT_FALSE(r.session->loadFinished());
  r.timers.advance(1);
  EXPECT_EQ(r.host.errors, std::vector<std::string>{"Receive time out."});
  EXPECT_TRUE(r.session->loadFinished());
  EXPECT_TRUE(r.session->timedOut());
  EXPECT_FALSE(handedOver);
  EXPECT_TRUE(r.host.receivedBlocks.empty());
  EXPECT_TRUE(r.host.commandControlsEnabled);
  // The block keeps what did arrive: VariantFlag 1 chooses 32; RecallSelect is still 0, so 205
  // is asked too.
  EXPECT_EQ(r.session->block().VariantFlag(), 1);
  EXPECT_EQ(r.serialFrames(),
            (std::vector<std::string>{"017100000171", "012400000124", "007000000070",
                                      "003200000032", "0200000400090213", "0200000400070211",
                                      "0200000400030207", "0200000400050209", "0200000400060210"}));
  // TimedOut stays set, so the expiry after the burst reports nothing more.
  r.timers.advance(1000);
  EXPECT_TRUE(r.host.receivedBlocks.empty());
  EXPECT_EQ(r.host.errors.size(), 1u);
}

TEST(SessionLoad, ExitRequestedEndsEveryWait) {
  Rig r;
  r.instrumentSilent = true;
  r.startSerial();
  r.session->startSetupLoad();
  r.timers.advance(100);
  ASSERT_EQ(r.serialFrames().size(), 1u);
  r.session->requestExit();
  EXPECT_TRUE(r.session->exitRequested());
  EXPECT_TRUE(r.session->loadFinished());
  EXPECT_EQ(r.serialFrames().size(), 9u);
  EXPECT_TRUE(r.host.commandControlsEnabled);
  EXPECT_TRUE(r.host.errors.empty());
}

TEST(SessionLoad, RefusedWhileTheLoopRuns) {
  Rig r;
  r.startSerial();
  r.session->startLoop();
  EXPECT_FALSE(r.session->startSetupLoad());
  EXPECT_TRUE(r.session->loadFinished());
  EXPECT_TRUE(r.host.commandControlsEnabled);
}

// A load that starts while the loop's Auto Set pause is still pending: the reply time-out's expiry
// only ends the pause, and the load's silent request must still time out instead of locking the
// controls.
TEST(SessionLoad, APendingAutoSetPauseDoesNotLockTheControls) {
  Rig r;
  startIdleLoop(r);
  r.session->replyTimeout().setInterval(AcquisitionSession::kAutoSetTimeoutMs);
  r.session->sender().SendActionFrame(0, 190);
  r.timers.advance(300);
  ASSERT_TRUE(r.session->slowReply());
  r.session->stopLoop();
  r.timers.advance(3000);  // the Auto Set answer stops the reply time-out
  ASSERT_FALSE(r.session->replyTimeout().active());
  ASSERT_TRUE(r.session->slowReply());

  r.instrumentSilent = true;
  ASSERT_TRUE(r.session->startSetupLoad());
  ASSERT_TRUE(r.runUntil([&] { return r.session->loadFinished(); }, 8000));
  EXPECT_EQ(r.host.errors, std::vector<std::string>{"Receive time out."});
  EXPECT_TRUE(r.host.commandControlsEnabled);
  EXPECT_FALSE(r.session->slowReply());
}

}  // namespace
}  // namespace corvane
