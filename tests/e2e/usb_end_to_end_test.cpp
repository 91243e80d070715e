// The USB road for real: the simulator in its USB form (921,600 bit/s, raw screen images) on its
// pseudo-terminal, opened as device 0 of the FTDI backend, polled every millisecond into the
// receive framer, with frames written through the link's transmit buffer.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "protocol/link_exchange.h"
#include "protocol/recording_host.h"
#include "tests/e2e/e2e_support.h"
#include "tests/e2e/usb_rig.h"
#include "tests/support/sim_process.h"

namespace corvane::e2e {

using test_support::SimProcess;
namespace {

class RigWriter : public UsbWriter {
 public:
  explicit RigWriter(UsbRig& rig) : rig_(rig) {}
  std::size_t usbWrite(std::string_view bytes) override { return rig_.sendFrame(bytes); }

 private:
  UsbRig& rig_;
};

// The serial side of the send path, which gets the frames once USB is no longer usable.
struct SerialRecorder : SerialWriter {
  std::size_t sendData(std::string_view bytes) override {
    sent.emplace_back(bytes);
    return 0;
  }
  std::vector<std::string> sent;
};

class UsbEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(sim.path().rfind("/dev/pts/", 0), 0u) << "simulator did not start: " << sim.log();
    timer1 = clock.createTimer(500, [this] {
      ++replyTimeouts;
      timer1->stop();
    });
    exchange.setReplyTimer(timer1.get());
    // The 1 ms USB poll.
    timer3 = clock.createTimer(1, [this] { rig.poll(); });
  }

  bool request(const std::function<void()>& send) {
    exchange.flags.ReplyReady = false;
    send();
    return pumpUntil(clock, [this] { return exchange.flags.ReplyReady; });
  }

  SimProcess sim{{"--usb", "--auto-set-ms", "300"}};
  ManualTimerService clock;
  RecordingHost host;
  NullCaptureWriter captureWriter;
  SerialRecorder serial;
  std::unique_ptr<Timer> timer1, timer3;
  int chunks = 0;
  // After an unplug the program polls on to find the device again; here the poll stops, since the
  // freed pseudo-terminal number may go to another test's terminal at once.
  UsbRig rig{sim.path(),
             [this](const uint8_t* data, int32_t size) {
               ++chunks;
               exchange.framer.receiveData(nullptr, data, size);
             },
             [this] { timer3->stop(); }};
  RigWriter usb{rig};
  LinkExchange exchange{
      host, nullptr, captureWriter,
      SendPath{&serial, &usb, [this] { return rig.active(); }, [] { return true; }},
      [] { return false; }};
  int replyTimeouts = 0;
};

TEST_F(UsbEndToEnd, StatusWaveformSettingAndScreenImageThenTheUnplug) {
  ASSERT_TRUE(rig.openAtStartUp());
  timer3->start();

  ASSERT_TRUE(request([&] { exchange.sender.SendCommandFrameNow(200, {9}); }));
  const WaveformBlock& b = exchange.block;
  EXPECT_EQ(b.Ch1VoltDivIndex(), 8);
  EXPECT_EQ(b.Ch1Position(), 175);
  EXPECT_EQ(b.Ch2VoltDivIndex(), 7);
  EXPECT_EQ(b.Ch2Position(), 275);
  EXPECT_EQ(b.TimeDivIndex(), 16);
  EXPECT_EQ(b.TriggerLevel(), 150);
  EXPECT_EQ(exchange.framer.RXTotal(), 106);

  const int chunksBefore = chunks;
  ASSERT_TRUE(request([&] { exchange.sender.SendCommandFrameNow(200, {3}); }));
  // About 3,000 bytes at 92 bytes a millisecond, read every millisecond: many chunks.
  EXPECT_GE(chunks - chunksBefore, 3);
  const LevelCount ch1 = countLevels(b, 0, 177, 227, 4);
  EXPECT_GE(ch1.low, 200);
  EXPECT_GE(ch1.high, 200);
  EXPECT_LE(ch1.neither, 12);

  // CH2 to 1 V/div: the sine 0.5 V +- 0.8 V now spans codes 70 to 110 around ground code 77.
  ASSERT_TRUE(request([&] { exchange.sender.SendSetting(8, 26); }));
  EXPECT_EQ(host.txStr,
            "\x02"
            "002600040008"
            "0038\x03(18)");
  EXPECT_EQ(b.Ch2VoltDivIndex(), 8);
  ASSERT_TRUE(request([&] { exchange.sender.SendCommandFrameNow(200, {3}); }));
  int lowest = 255, highest = 0;
  for (int i = 0; i < 500; ++i) {
    lowest = std::min<int>(lowest, b.Ch2Samples(i));
    highest = std::max<int>(highest, b.Ch2Samples(i));
  }
  EXPECT_GE(lowest, 65);
  EXPECT_LE(lowest, 75);
  EXPECT_GE(highest, 105);
  EXPECT_LE(highest, 115);

  // The screen image comes raw, STX and ETX around the 9,662-byte bitmap, with the poll stopped.
  timer3->stop();
  const UsbRig::Capture image =
      rig.capture([&] { exchange.sender.SendSetting(0, 166); }, 100, kReplyLimitMs);
  timer1->stop();  // the capture sequence keeps the reply timer from reporting afterwards
  ASSERT_TRUE(image.started);
  EXPECT_EQ(image.streamLength, 9664u);
  EXPECT_EQ(image.imageLength, 9662);
  EXPECT_FALSE(image.lost);
  EXPECT_FALSE(image.overflowed);
  ASSERT_EQ(image.image.size(), 9662u);
  EXPECT_EQ(image.image[0], 'B');
  EXPECT_EQ(image.image[1], 'M');
  // The bitmap's own size field, little-endian at offset 2.
  EXPECT_EQ(image.image[2] | image.image[3] << 8 | image.image[4] << 16, 9662);
  timer3->start();
  ASSERT_TRUE(request([&] { exchange.sender.SendCommandFrameNow(200, {9}); }));
  EXPECT_EQ(b.Ch2VoltDivIndex(), 8);

  EXPECT_EQ(replyTimeouts, 0);
  EXPECT_TRUE(serial.sent.empty());
  EXPECT_EQ(host.txTot, "108");  // six 18-byte frames
  EXPECT_EQ(rig.plugged(), 0);   // opened at start-up, not by the poll

  // Unplugged: the poll finds the device gone and closes it; frames fall back to the serial side.
  sim.kill(SIGTERM);
  ASSERT_TRUE(pumpUntil(
      clock, [&] { return rig.unplugged() > 0; }, 2000));
  EXPECT_EQ(rig.unplugged(), 1);
  EXPECT_FALSE(rig.active());
  EXPECT_EQ(rig.handle(), 0u);
  exchange.sender.SendCommandFrameNow(200, {9});
  ASSERT_EQ(serial.sent.size(), 1u);
  EXPECT_EQ(serial.sent[0],
            "\x02"
            "020000040009"
            "0213\x03");

  const std::string log = sim.log();
  EXPECT_EQ(log.find("bad frame"), std::string::npos) << log;
  EXPECT_EQ(log.find("unknown"), std::string::npos) << log;
  EXPECT_NE(log.find("USB screen images"), std::string::npos) << log;
}

// The "Setup Para." requests in their order, then Auto Set, each answered before the next goes.
TEST_F(UsbEndToEnd, TheSetupLoadRequestsAndAutoSetAreAnsweredOneByOne) {
  ASSERT_TRUE(rig.openAtStartUp());
  timer3->start();
  WaveformBlock& b = exchange.block;
  b.setVariantFlag(7);
  b.setAveraging(5);
  b.setRecallSelect(3);
  b.setTimeDivIndex(0);
  auto query = [&](uint16_t code) {
    return request(
        [&] { exchange.sender.SendCommandFrameNow(code, std::span<const uint16_t>{}, 0); });
  };
  ASSERT_TRUE(query(171));
  EXPECT_EQ(host.txStr,
            "\x02"
            "017100000171\x03(14)");
  EXPECT_EQ(b.VariantFlag(), 0);
  ASSERT_TRUE(query(124));
  EXPECT_EQ(b.Averaging(), 0);
  ASSERT_TRUE(query(70));
  EXPECT_EQ(b.RecallSelect(), 255);
  ASSERT_TRUE(query(31));  // the variant flag 0 chooses 31
  EXPECT_EQ(b.TimeDivIndex(), 16);
  for (uint16_t field : {9, 7, 3}) {
    ASSERT_TRUE(request([&] { exchange.sender.SendCommandFrameNow(200, {field}); })) << field;
  }
  EXPECT_EQ(b.RecallSelect(), 255);  // 207: nothing recalled
  // RecallSelect 255 skips the recall trace; the limits are always asked for.
  ASSERT_TRUE(request([&] { exchange.sender.SendCommandFrameNow(200, {6}); }));
  int lowest = 255, highest = 0;
  for (int i = 0; i < 500; ++i) {
    ASSERT_GE(b.LimitUpper(i), b.LimitLower(i) + 20) << i;
    lowest = std::min<int>(lowest, b.LimitLower(i));
    highest = std::max<int>(highest, b.LimitUpper(i));
  }
  EXPECT_EQ(lowest, 167);   // the square's low level 177, 10 codes down
  EXPECT_EQ(highest, 237);  // its high level 227, 10 codes up
  EXPECT_EQ(replyTimeouts, 0);

  // Auto Set keeps the instrument busy for a while and then answers with 173.
  ASSERT_TRUE(request([&] { exchange.sender.SendActionFrame(0, 190); }));
  EXPECT_EQ(host.txStr,
            "\x02"
            "017400080000"
            "0190"
            "0372\x03(22)");
  ASSERT_TRUE(request([&] { exchange.sender.SendCommandFrameNow(200, {9}); }));
  EXPECT_EQ(b.TimeDivIndex(), 15);  // 0.2 ms/div: two periods of the 1 kHz square
  EXPECT_EQ(b.Ch1VoltDivIndex(), 8);
  EXPECT_EQ(replyTimeouts, 0);
  EXPECT_EQ(sim.log().find("bad frame"), std::string::npos);
}

}  // namespace
}  // namespace corvane::e2e
