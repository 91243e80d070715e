#include "protocol/command_sender.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "link/timer_service.h"
#include "protocol/recording_host.h"

namespace corvane {
namespace {

struct FakeSerial : SerialWriter {
  std::size_t sendData(std::string_view bytes) override {
    sent.emplace_back(bytes);
    return bytes.size();
  }
  std::vector<std::string> sent;
};

struct FakeUsb : UsbWriter {
  std::size_t usbWrite(std::string_view bytes) override {
    sent.emplace_back(bytes);
    return std::min(bytes.size(), accepts);  // a short write is the link's to report
  }
  std::vector<std::string> sent;
  std::size_t accepts = 1000;
};

class CommandSenderTest : public ::testing::Test {
 protected:
  CommandSenderTest()
      : timer1(timers.createTimer(500, [this] { ++timer1Expiries; })),
        sender(host, timer1.get(),
               SendPath{&serial, &usb, [this] { return usbActive; }, [this] { return usbChosen; }},
               [this] { return loopRunning; }) {}

  ManualTimerService timers;
  int timer1Expiries = 0;
  std::unique_ptr<Timer> timer1;
  RecordingHost host;
  FakeSerial serial;
  FakeUsb usb;
  bool usbActive = false;
  bool usbChosen = false;
  bool loopRunning = false;
  CommandSender sender;
};

TEST_F(CommandSenderTest, ThreeFramesAddUpInTXTotAndTxStrShowsTheLast) {
  sender.SendSetting(8, 6);
  EXPECT_EQ(host.txStr,
            "\x02"
            "0006000400080018"
            "\x03"
            "(18)");
  EXPECT_EQ(host.txTot, "18");
  sender.SendActionFrame(0, 190);
  sender.SendCommandFrameNow(70, {});
  EXPECT_EQ(host.txTot, "54");
  EXPECT_EQ(host.txStr,
            "\x02"
            "007000000070"
            "\x03"
            "(14)");
  EXPECT_EQ(sender.TXTotal(), 54);
  ASSERT_EQ(serial.sent.size(), 3u);
  EXPECT_EQ(serial.sent[1],
            "\x02"
            "01740008000001900372"
            "\x03");
  EXPECT_TRUE(usb.sent.empty());
}

TEST_F(CommandSenderTest, UsbOnlyWhenTheDeviceIsOpenAndUsb1IsChecked) {
  struct Case {
    bool active, checked;
    std::size_t serial, usb;
  };
  const Case cases[] = {
      {false, false, 1, 0}, {true, false, 2, 0}, {false, true, 3, 0}, {true, true, 3, 1}};
  for (const Case& c : cases) {
    usbActive = c.active;
    usbChosen = c.checked;
    sender.SendCommandFrameNow(166, {0});
    EXPECT_EQ(serial.sent.size(), c.serial) << c.active << c.checked;
    EXPECT_EQ(usb.sent.size(), c.usb) << c.active << c.checked;
  }
  EXPECT_EQ(usb.sent[0],
            "\x02"
            "0166000400000170"
            "\x03");
  EXPECT_EQ(sender.TXTotal(), 4 * 18);
  // A short write counts only what went out.
  usb.accepts = 5;
  sender.SendCommandFrameNow(166, {0});
  EXPECT_EQ(host.txTot, "77");
}

TEST_F(CommandSenderTest, WhileTheLoopRunsOneFrameIsParkedAndALaterOneReplacesIt) {
  loopRunning = true;
  sender.SendSetting(8, 6);
  sender.SendSetting(3, 26);
  EXPECT_TRUE(serial.sent.empty());
  EXPECT_EQ(sender.TXTotal(), 0);
  EXPECT_EQ(host.txTot, "");
  EXPECT_FALSE(timer1->active());
  EXPECT_TRUE(sender.PendingFlag());
  EXPECT_EQ(sender.PendingCommand(),
            "\x02"
            "0026000400030033"
            "\x03");

  sender.SendActionFrame(0, 190);
  EXPECT_EQ(sender.PendingCommand(),
            "\x02"
            "01740008000001900372"
            "\x03");

  // The loop's own requests are never parked.
  sender.SendCommandFrameNow(200, {9});
  ASSERT_EQ(serial.sent.size(), 1u);
  EXPECT_EQ(serial.sent[0],
            "\x02"
            "020000040009"
            "0213"
            "\x03");

  // The loop later sends the parked frame unchanged and clears the flag.
  sender.SendFrame(sender.PendingCommand());
  sender.clearPendingFlag();
  ASSERT_EQ(serial.sent.size(), 2u);
  EXPECT_EQ(serial.sent[1],
            "\x02"
            "01740008000001900372"
            "\x03");
  EXPECT_FALSE(sender.PendingFlag());
  EXPECT_EQ(host.txTot, "40");

  loopRunning = false;
  sender.SendSetting(1, 4);
  EXPECT_EQ(serial.sent.size(), 3u);
  EXPECT_FALSE(sender.PendingFlag());
}

TEST_F(CommandSenderTest, SendingStartsTheReplyTimeoutWithoutRestartingARunningOne) {
  sender.SendCommandFrameNow(70, {});
  EXPECT_TRUE(timer1->active());
  timers.advance(300);
  sender.SendCommandFrameNow(124, {});
  timers.advance(199);
  EXPECT_EQ(timer1Expiries, 0);
  timers.advance(1);
  EXPECT_EQ(timer1Expiries, 1);  // 500 ms after the first frame, not the second
}

TEST_F(CommandSenderTest, SendPositionPicksTheCodeByKind) {
  const char* expected[] = {
      "\x02"
      "011900040040"
      "0163"
      "\x03",  // contrast
      "\x02"
      "000800040175"
      "0187"
      "\x03",  // CH1 position
      "\x02"
      "002800040275"
      "0307"
      "\x03",  // CH2 position
      "\x02"
      "004300040131"
      "0178"
      "\x03",  // trigger position
      "\x02"
      "009300040225"
      "0322"
      "\x03",  // trigger level
  };
  const uint16_t values[] = {40, 175, 275, 131, 225};
  for (int kind = 0; kind < 5; ++kind) sender.SendPosition(values[kind], kind);
  ASSERT_EQ(serial.sent.size(), 5u);
  for (int kind = 0; kind < 5; ++kind) EXPECT_EQ(serial.sent[kind], expected[kind]);
  sender.SendPosition(10, 5);
  sender.SendPosition(10, -1);
  EXPECT_EQ(serial.sent.size(), 5u);
  EXPECT_EQ(sender.TXTotal(), 5 * 18);
}

TEST_F(CommandSenderTest, SendFrameSendsOnlyTheGivenLength) {
  sender.SendFrame(
      "\x02"
      "007000000070"
      "\x03"
      "junk",
      14);
  ASSERT_EQ(serial.sent.size(), 1u);
  EXPECT_EQ(serial.sent[0],
            "\x02"
            "007000000070"
            "\x03");
  EXPECT_EQ(host.txStr,
            "\x02"
            "007000000070"
            "\x03"
            "(14)");
  // A length beyond the text is cut to the text.
  sender.SendFrame(
      "\x02"
      "007000000070"
      "\x03",
      90);
  EXPECT_EQ(serial.sent[1].size(), 14u);
  EXPECT_EQ(host.txTot, "28");
}

}  // namespace
}  // namespace corvane
