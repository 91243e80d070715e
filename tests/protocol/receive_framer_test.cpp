#include "protocol/receive_framer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "link/timer_service.h"
#include "protocol/parse_int.h"
#include "protocol/recording_host.h"
#include "reply_frames.h"

namespace corvane {
namespace {

using testing::bytesOf;

struct Decoded {
  uint16_t code;
  uint16_t count;
  int32_t value;
  std::string head;  // first 16 body bytes
};

struct RecordingSink : ReplySink {
  void DecodeReply(uint16_t ReplyCode, uint16_t ReplyCount, int32_t ReplyValue,
                   std::span<const uint8_t> FrameBuf) override {
    decoded.push_back({ReplyCode, ReplyCount, ReplyValue,
                       std::string(reinterpret_cast<const char*>(FrameBuf.data()), 16)});
    ASSERT_EQ(FrameBuf.size(), kFrameBufSize);
  }
  std::vector<Decoded> decoded;
};

class ReceiveFramerTest : public ::testing::Test {
 protected:
  ReceiveFramerTest()
      : timer1(timers.createTimer(500, [this] { ++timer1Expiries; })),
        framer(flags, sink, host, timer1.get()) {}

  void feed(const std::string& chunk) { framer.receiveData(bytesOf(chunk)); }
  std::string frameBufText(std::size_t n) const {
    return std::string(reinterpret_cast<const char*>(framer.FrameBuf().data()), n);
  }

  ManualTimerService timers;
  int timer1Expiries = 0;
  std::unique_ptr<Timer> timer1;
  ExchangeFlags flags;
  RecordingSink sink;
  RecordingHost host;
  ReceiveFramer framer;
};

TEST(ParseIntOrZero, DecimalTextOrZero) {
  EXPECT_EQ(ParseIntOrZero("0203"), 203);
  EXPECT_EQ(ParseIntOrZero("0000"), 0);
  EXPECT_EQ(ParseIntOrZero("+7"), 7);
  EXPECT_EQ(ParseIntOrZero("-001"), -1);
  EXPECT_EQ(ParseIntOrZero("2147483647"), 2147483647);
  EXPECT_EQ(ParseIntOrZero("-2147483648"), -2147483647 - 1);
  EXPECT_EQ(ParseIntOrZero("2147483648"), 0);
  EXPECT_EQ(ParseIntOrZero("99999999999999999999"), 0);
  EXPECT_EQ(ParseIntOrZero("12a4"), 0);
  EXPECT_EQ(ParseIntOrZero(" 12"), 0);
  EXPECT_EQ(ParseIntOrZero(""), 0);
  EXPECT_EQ(ParseIntOrZero("-"), 0);
  EXPECT_EQ(ParseIntOrZero(std::string_view("12\0\0", 4)), 0);
}

TEST_F(ReceiveFramerTest, AReplySplitOverManyChunksIsDecodedOnceWhenItsEtxArrives) {
  std::vector<int> samples(1000);
  for (int i = 0; i < 1000; ++i) samples[i] = i % 256;
  const std::string reply = "\x7f" + testing::samplesReply(203, 1000, samples);
  ASSERT_EQ(reply.size(), 3015u);
  flags.TimeoutTicks = 3;
  for (std::size_t pos = 0; pos < reply.size(); pos += 2048) {
    feed(reply.substr(pos, 2048));
    if (pos + 2048 < reply.size()) {
      EXPECT_TRUE(framer.InFrame());
      EXPECT_TRUE(timer1->active());
      EXPECT_TRUE(sink.decoded.empty());
      EXPECT_FALSE(flags.ReplyReady);
    }
  }
  ASSERT_EQ(sink.decoded.size(), 1u);
  EXPECT_EQ(sink.decoded[0].code, 203);
  EXPECT_EQ(sink.decoded[0].count, 1000);
  EXPECT_EQ(sink.decoded[0].value, 0);  // the first sample "000" and the first digit of "001"
  EXPECT_EQ(sink.decoded[0].head, "0203100000000100");
  EXPECT_FALSE(framer.InFrame());
  EXPECT_FALSE(timer1->active());
  EXPECT_TRUE(flags.ReplyReady);
  EXPECT_EQ(flags.TimeoutTicks, 0);
  EXPECT_EQ(host.rxTot, "3015");
  EXPECT_EQ(framer.FramePos(), 2046);  // the ETX chunk lands at FramePos without advancing it
}

TEST_F(ReceiveFramerTest, EachChunkOfAnOpenFrameRestartsTheFullTimeout) {
  feed(
      "\x02"
      "0203");
  timers.advance(400);
  feed("1000");
  timers.advance(499);
  EXPECT_EQ(timer1Expiries, 0);
  timers.advance(1);
  EXPECT_EQ(timer1Expiries, 1);
  EXPECT_TRUE(framer.InFrame());
}

TEST_F(ReceiveFramerTest, ANewFrameStartsFromACleanBuffer) {
  feed(testing::samplesReply(203, 1000, std::vector<int>(1000, 111)));
  feed(
      "\x02"
      "0005000100");
  feed(
      "08"
      "\x03");
  ASSERT_EQ(sink.decoded.size(), 2u);
  EXPECT_EQ(sink.decoded[1].head, std::string("000500010008\x03\0\0\0", 16));
  EXPECT_EQ(framer.FrameBuf()[3000], 0);
  EXPECT_EQ(framer.FrameBuf()[3010], 0);
}

TEST_F(ReceiveFramerTest, EtxBeforeStxLosesBothFrames) {
  feed(
      "\x02"
      "00310001");
  feed(
      "0005"
      "0000"
      "\x03"
      "\x02"
      "00050001");
  EXPECT_TRUE(sink.decoded.empty());
  EXPECT_TRUE(flags.ReplyReady);
  EXPECT_FALSE(framer.InFrame());
  EXPECT_FALSE(timer1->active());
  EXPECT_EQ(frameBufText(12), std::string(12, '\0'));
}

TEST_F(ReceiveFramerTest, TwoFramesInOneChunkDecodeOnlyTheSecond) {
  feed(testing::settingReply(31, 11) + testing::settingReply(5, 7));
  ASSERT_EQ(sink.decoded.size(), 1u);
  EXPECT_EQ(sink.decoded[0].code, 5);
  EXPECT_EQ(sink.decoded[0].count, 1);
  EXPECT_EQ(sink.decoded[0].value, 7);
}

TEST_F(ReceiveFramerTest, AnEtxWithoutAnOpenFrameDecodesTheLastFrameAgain) {
  feed(
      "\x02"
      "003100010005");
  feed(
      "0000"
      "\x03");
  ASSERT_EQ(sink.decoded.size(), 1u);
  flags.ReplyReady = false;
  feed("\x03");
  ASSERT_EQ(sink.decoded.size(), 2u);
  EXPECT_EQ(sink.decoded[1].code, 31);
  EXPECT_EQ(sink.decoded[1].value, 5);
  EXPECT_EQ(sink.decoded[1].head,
            "003100010005\x03"
            "000");
  EXPECT_TRUE(flags.ReplyReady);
}

TEST_F(ReceiveFramerTest, TwelveDigitBodiesDecodeElevenAreRejected) {
  feed(
      "\x02"
      "000300000001"
      "\x03");
  ASSERT_EQ(sink.decoded.size(), 1u);
  EXPECT_EQ(sink.decoded[0].code, 3);
  EXPECT_EQ(sink.decoded[0].count, 0);
  EXPECT_EQ(sink.decoded[0].value, 1);

  flags.ReplyReady = false;
  flags.TimeoutTicks = 2;
  feed(
      "\x02"
      "00030000000"
      "\x03");
  EXPECT_EQ(sink.decoded.size(), 1u);
  EXPECT_TRUE(flags.ReplyReady);
  EXPECT_EQ(flags.TimeoutTicks, 0);

  // A header that is not a number reaches the decoder as code 0, which no reply kind uses.
  feed(
      "\x02"
      "02x300010001"
      "\x03");
  ASSERT_EQ(sink.decoded.size(), 2u);
  EXPECT_EQ(sink.decoded[1].code, 0);
}

TEST_F(ReceiveFramerTest, RxTotCountsEveryByteAndStrayBytesAreDropped) {
  feed("noise");  // no frame, no load: dropped, the reply time-out stays stopped
  EXPECT_FALSE(timer1->active());
  EXPECT_EQ(host.rxTot, "5");
  feed(
      "\x02"
      "0003000"
      "\x03");  // rejected
  EXPECT_EQ(host.rxTot, "14");
  feed(testing::settingReply(3, 1));  // 18 bytes
  EXPECT_EQ(host.rxTot, "32");
  EXPECT_EQ(framer.RXTotal(), 32);
  EXPECT_EQ(host.rxTotUpdates, 3);
  EXPECT_EQ(sink.decoded.size(), 1u);
}

TEST_F(ReceiveFramerTest, StrayBytesDuringASetupLoadKeepItsWaitAlive) {
  flags.LoadInProgress = true;
  flags.TimedOut = true;
  feed("zz");
  EXPECT_FALSE(flags.TimedOut);
  EXPECT_TRUE(timer1->active());
  EXPECT_FALSE(flags.ReplyReady);
  EXPECT_FALSE(framer.InFrame());
}

TEST_F(ReceiveFramerTest, ANewStxDiscardsTheOpenFrame) {
  feed(
      "\x02"
      "00310001");
  feed(
      "\x02"
      "00250001"
      "0009");
  EXPECT_TRUE(framer.InFrame());
  EXPECT_EQ(framer.FramePos(), 12);
  feed("\x03");
  ASSERT_EQ(sink.decoded.size(), 1u);
  EXPECT_EQ(sink.decoded[0].code, 25);
  EXPECT_EQ(sink.decoded[0].value, 9);
}

TEST_F(ReceiveFramerTest, EmptyAndNegativeChunksAreChunksWithoutStxOrEtx) {
  feed(
      "\x02"
      "0031");
  timers.advance(300);
  framer.receiveData(nullptr, nullptr, 0);
  framer.receiveData(nullptr, reinterpret_cast<const uint8_t*>("x"), -5);
  EXPECT_EQ(framer.RXTotal(), 5);
  EXPECT_EQ(framer.FramePos(), 4);
  timers.advance(499);
  EXPECT_EQ(timer1Expiries, 0);  // restarted by the empty chunks
  EXPECT_TRUE(framer.InFrame());
}

// Beyond the 30,001-byte buffer the open frame is given up: nothing is written past its end, the
// frame is closed and the requester released.
TEST_F(ReceiveFramerTest, AnAppendPastTheBufferDropsTheFrame) {
  feed("\x02" + std::string(30000, '1'));
  EXPECT_EQ(framer.FramePos(), 30000);
  feed("2");  // exactly fills the buffer
  EXPECT_EQ(framer.FramePos(), 30001);
  EXPECT_EQ(framer.FrameBuf()[30000], '2');
  EXPECT_TRUE(framer.InFrame());
  feed("3");
  EXPECT_FALSE(framer.InFrame());
  EXPECT_EQ(framer.FramePos(), 0);
  EXPECT_TRUE(flags.ReplyReady);
  EXPECT_FALSE(timer1->active());
  EXPECT_EQ(framer.FrameBuf()[0], 0);
  EXPECT_EQ(framer.FrameBuf()[30000], 0);
  EXPECT_TRUE(sink.decoded.empty());
  EXPECT_EQ(framer.RXTotal(), 30003);

  // An ETX chunk that would not fit is dropped the same way.
  feed("\x02" + std::string(29995, '1'));
  flags.ReplyReady = false;
  feed(
      "1234567"
      "\x03");
  EXPECT_FALSE(framer.InFrame());
  EXPECT_TRUE(flags.ReplyReady);
  EXPECT_TRUE(sink.decoded.empty());
}

TEST_F(ReceiveFramerTest, AChunkLongerThanTheBufferDropsTheFrame) {
  feed(
      "\x02"
      "00310001");
  std::string huge = testing::settingReply(5, 7) + std::string(30001, '0');
  feed(huge);
  EXPECT_TRUE(sink.decoded.empty());
  EXPECT_FALSE(framer.InFrame());
  EXPECT_TRUE(flags.ReplyReady);
  EXPECT_EQ(framer.RXTotal(), 9 + static_cast<int64_t>(huge.size()));
  // The largest chunk that fits is framed as usual.
  feed(
      "\x02"
      "000500010007" +
      std::string(30001 - 14, '0') + "\x03");
  ASSERT_EQ(sink.decoded.size(), 1u);
  EXPECT_EQ(sink.decoded[0].value, 7);
}

}  // namespace
}  // namespace corvane
