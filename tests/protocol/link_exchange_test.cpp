#include "protocol/link_exchange.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "link/timer_service.h"
#include "protocol/recording_host.h"
#include "reply_frames.h"

namespace corvane {
namespace {

struct FakeSerial : SerialWriter {
  std::size_t sendData(std::string_view bytes) override {
    sent.emplace_back(bytes);
    return bytes.size();
  }
  std::vector<std::string> sent;
};

// One request and its reply across the sender, the framer and the decoder sharing one state.
TEST(LinkExchange, ARequestAndItsReplyShareTheReplyTimerAndTheFlags) {
  ManualTimerService timers;
  int expiries = 0;
  RecordingHost host;
  NullCaptureWriter writer;
  FakeSerial serial;
  bool loopRunning = false;
  LinkExchange exchange(host, nullptr, writer, SendPath{&serial, nullptr, {}, {}},
                        [&] { return loopRunning; });
  auto timer1 = timers.createTimer(500, [&] { ++expiries; });
  exchange.setReplyTimer(timer1.get());

  exchange.flags.ReplyReady = false;
  exchange.sender.SendCommandFrameNow(200, {9});
  EXPECT_TRUE(timer1->active());
  ASSERT_EQ(serial.sent.size(), 1u);

  const std::string reply = testing::fieldsReply(
      209, {0, 8, 1, 175, 1, 0, 7, 1, 275, 0, 17, 131, 0, 0, 1, 0, 0, 0, 225, 1, 0, 0, 0});
  timers.advance(100);
  exchange.framer.receiveData(testing::bytesOf(reply.substr(0, 64)));
  EXPECT_TRUE(timer1->active());
  EXPECT_FALSE(exchange.flags.ReplyReady);
  exchange.framer.receiveData(testing::bytesOf(reply.substr(64)));
  EXPECT_FALSE(timer1->active());
  EXPECT_TRUE(exchange.flags.ReplyReady);
  EXPECT_EQ(exchange.block.Ch1VoltDivIndex(), 8);
  EXPECT_EQ(exchange.block.Ch2Position(), 275);
  EXPECT_EQ(exchange.block.TimeDivIndex(), 17);
  EXPECT_EQ(host.txTot, "18");
  EXPECT_EQ(host.rxTot, std::to_string(reply.size()));
  timers.advance(1000);
  EXPECT_EQ(expiries, 0);

  loopRunning = true;
  exchange.sender.SendSetting(3, 6);
  EXPECT_TRUE(exchange.sender.PendingFlag());
  EXPECT_EQ(serial.sent.size(), 1u);
}

}  // namespace
}  // namespace corvane
