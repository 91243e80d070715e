// The serial road for real: the simulator process on its pseudo-terminal at 38,400 bit/s, the
// serial port driver on the slave, its chunks into the receive framer, the decoder filling the
// staging record, and the frames back out through the driver's send.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "link/comm_port_driver.h"
#include "protocol/link_exchange.h"
#include "protocol/recording_host.h"
#include "tests/e2e/e2e_support.h"
#include "tests/support/sim_process.h"

namespace corvane::e2e {

using test_support::SimProcess;
namespace {

// The session's own adapter is not written yet; this one hands every frame to the driver.
class DriverWriter : public SerialWriter {
 public:
  explicit DriverWriter(CommPortDriver& driver) : driver_(driver) {}
  std::size_t sendData(std::string_view bytes) override {
    last = driver_.send(bytes.data(), bytes.size());
    return last.written;
  }
  SendResult last;

 private:
  CommPortDriver& driver_;
};

class SerialEndToEnd : public ::testing::Test {
 protected:
  // The simulator's pacing and the driver's rate; a pseudo-terminal itself ignores the rate.
  virtual std::vector<std::string> simArguments() const { return {"--baud", "38400"}; }
  virtual ComPortBaudRate rate() const { return br38400; }

  void SetUp() override {
    sim = std::make_unique<SimProcess>(simArguments());
    ASSERT_EQ(sim->path().rfind("/dev/pts/", 0), 0u) << "simulator did not start: " << sim->log();
    timer1 = clock.createTimer(500, [this] {
      ++replyTimeouts;
      timer1->stop();
    });
    exchange.setReplyTimer(timer1.get());
    driver.setOnReceiveData([this](CommPortDriver& sender, const uint8_t* data, std::size_t n) {
      chunkSizes.push_back(n);
      exchange.framer.receiveData(&sender, data, static_cast<int32_t>(n));
    });
    driver.setOnHangUp([this](CommPortDriver&) { ++hangUps; });
    PortDevices devices;
    ASSERT_TRUE(devices.set(1, sim->path()));
    driver.setPortDevices(devices);
    driver.setComPort(pnCOM1);
    driver.setComPortSpeed(rate());
    // The program's first-start setting; a pseudo-terminal carries no parity bit either way.
    driver.setComPortParity(ptEVEN);
    ASSERT_TRUE(driver.connect()) << "errno " << driver.lastError();
  }

  // Sends one request and runs the clock until the framer has handled a complete reply.
  bool request(const std::function<void()>& send) {
    exchange.flags.ReplyReady = false;
    send();
    return pumpUntil(clock, [this] { return exchange.flags.ReplyReady; });
  }

  std::unique_ptr<SimProcess> sim;
  ManualTimerService clock;
  RecordingHost host;
  NullCaptureWriter captureWriter;
  CommPortDriver driver{clock};
  DriverWriter writer{driver};
  LinkExchange exchange{host, nullptr, captureWriter, SendPath{&writer, nullptr, {}, {}},
                        [] { return false; }};
  std::unique_ptr<Timer> timer1;
  std::vector<std::size_t> chunkSizes;
  int replyTimeouts = 0;
  int hangUps = 0;
};

TEST_F(SerialEndToEnd, StatusWaveformAndSettingRoundTripsThenTheHangUp) {
  // Settings bytes that no reply would leave standing, so every field checked was written.
  std::fill(exchange.block.bytes.begin() + 18078, exchange.block.bytes.end(), uint8_t{0x55});

  ASSERT_TRUE(request([&] { exchange.sender.SendCommandFrameNow(200, {9}); }));
  EXPECT_EQ(host.txStr,
            "\x02"
            "020000040009"
            "0213\x03(18)");
  EXPECT_TRUE(writer.last.ok());
  EXPECT_EQ(writer.last.written, 18u);
  const WaveformBlock& b = exchange.block;
  EXPECT_EQ(b.Ch1Hidden(), 0);
  EXPECT_EQ(b.Ch1VoltDivIndex(), 8);  // 1 V/div
  EXPECT_EQ(b.Ch1Coupling(), 1);      // DC
  EXPECT_EQ(b.Ch1Position(), 175);
  EXPECT_EQ(b.Ch1Probe(), 0);
  EXPECT_EQ(b.Ch2VoltDivIndex(), 7);  // 0.5 V/div
  EXPECT_EQ(b.Ch2Position(), 275);
  EXPECT_EQ(b.TimeDivIndex(), 16);  // 0.5 ms/div
  EXPECT_EQ(b.TriggerPosition(), 131);
  EXPECT_EQ(b.TriggerSource(), 0);
  EXPECT_EQ(b.TriggerCoupling(), 1);
  EXPECT_EQ(b.TriggerMode(), 0);
  EXPECT_EQ(b.TriggerLevel(), 150);
  EXPECT_EQ(b.PointStyle(), 1);
  EXPECT_EQ(b.ArithMode(), 0);
  EXPECT_EQ(b.Averaging(), 0x55);  // not part of the status
  // 106 bytes: STX, code, count, 23 fields, checksum 0998, ETX.
  EXPECT_EQ(exchange.framer.RXTotal(), 106);
  EXPECT_EQ(host.rxTot, "106");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(exchange.framer.FrameBuf().data()), 12),
            "020900230000");

  // 203 at 0.5 ms/div: 500 points a channel, about 3,000 bytes, so several polls' worth.
  const std::size_t chunksBefore = chunkSizes.size();
  ASSERT_TRUE(request([&] { exchange.sender.SendCommandFrameNow(200, {3}); }));
  EXPECT_GE(chunkSizes.size() - chunksBefore, 3u);
  EXPECT_LE(*std::max_element(chunkSizes.begin(), chunkSizes.end()), 2048u);
  EXPECT_GT(exchange.framer.RXTotal(), 106 + 3000);
  // CH1 is the 0 V to 2 V square: ground code 352 - 175 = 177, 2 V at 1 V/div is 50 codes up.
  LevelCount ch1 = countLevels(b, 0, 177, 227, 4);
  EXPECT_GE(ch1.low, 200);
  EXPECT_GE(ch1.high, 200);
  EXPECT_LE(ch1.neither, 12);  // edges: five periods across the screen
  // CH2 is the sine 0.5 V +- 0.8 V at 0.5 V/div around ground code 77: codes 62 to 142.
  for (int i = 0; i < 500; ++i) {
    ASSERT_GE(b.Ch2Samples(i), 56) << i;
    ASSERT_LE(b.Ch2Samples(i), 148) << i;
  }
  EXPECT_EQ(b.Ch1Samples(500), 0);  // past the 500 points a reply carries

  // CH1 to 2 V/div: reply 5 carries the new index, and the next trace is half as tall.
  ASSERT_TRUE(request([&] { exchange.sender.SendSetting(9, 6); }));
  EXPECT_EQ(host.txStr,
            "\x02"
            "000600040009"
            "0019\x03(18)");
  EXPECT_EQ(b.Ch1VoltDivIndex(), 9);
  ASSERT_TRUE(request([&] { exchange.sender.SendCommandFrameNow(200, {3}); }));
  ch1 = countLevels(b, 0, 177, 202, 4);
  EXPECT_GE(ch1.low, 200);
  EXPECT_GE(ch1.high, 200);
  EXPECT_LE(ch1.neither, 12);
  ASSERT_TRUE(request([&] { exchange.sender.SendCommandFrameNow(200, {9}); }));
  EXPECT_EQ(b.Ch1VoltDivIndex(), 9);  // the instrument kept it

  EXPECT_EQ(replyTimeouts, 0);
  EXPECT_FALSE(timer1->active());  // a complete frame leaves the reply timer stopped
  EXPECT_EQ(host.txTot, "90");     // five 18-byte frames
  EXPECT_TRUE(host.errors.empty());

  // The instrument goes away mid-session: the next poll reads the hang-up and closes the port.
  sim->kill(SIGKILL);
  ASSERT_TRUE(pumpUntil(
      clock, [&] { return hangUps > 0; }, 2000));
  EXPECT_EQ(hangUps, 1);
  EXPECT_FALSE(driver.connected());
  EXPECT_TRUE(driver.hungUp());
  EXPECT_EQ(driver.lastError(), EIO);
  EXPECT_EQ(driver.devicePath(), "");
  // Frames after it go nowhere, and polling on is harmless.
  exchange.sender.SendCommandFrameNow(200, {9});
  EXPECT_EQ(writer.last.status, SendStatus::kNotConnected);
  EXPECT_EQ(writer.last.signedCount(), 0);
  clock.advance(300);
  EXPECT_EQ(hangUps, 1);

  // Every frame the program sent was one the instrument understood.
  const std::string log = sim->log();
  EXPECT_EQ(log.find("bad frame"), std::string::npos) << log;
  EXPECT_EQ(log.find("unknown"), std::string::npos) << log;
  EXPECT_NE(log.find("line opened"), std::string::npos) << log;
}

TEST_F(SerialEndToEnd, ARequestTheInstrumentDoesNotKnowIsAnsweredByTheReplyTimer) {
  exchange.flags.ReplyReady = false;
  exchange.sender.SendCommandFrameNow(200, {8});  // no such data request: no answer
  EXPECT_TRUE(timer1->active());
  ASSERT_TRUE(pumpUntil(
      clock, [&] { return replyTimeouts > 0; }, 3000));
  EXPECT_FALSE(exchange.flags.ReplyReady);
  EXPECT_EQ(exchange.framer.RXTotal(), 0);
  // The line still works afterwards.
  ASSERT_TRUE(request([&] { exchange.sender.SendCommandFrameNow(200, {9}); }));
  EXPECT_EQ(exchange.block.Ch1Position(), 175);
  EXPECT_NE(sim->log().find("unknown command 0200 with field 0008"), std::string::npos);
}

// The largest reply there is, 29,001 body bytes of decimal image bytes, at the driver's highest
// rate: 2,048 bytes a poll fill the framer's buffer almost to its end.
class SerialScreenImage : public SerialEndToEnd {
 protected:
  std::vector<std::string> simArguments() const override { return {"--baud", "921600"}; }
  ComPortBaudRate rate() const override { return br115200; }
};

TEST_F(SerialScreenImage, Reply166WritesTestBmpAndShowsIt) {
  char dir[] = "/tmp/corvane-e2e-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  DirectoryCaptureWriter files{dir};
  exchange.decoder.setCaptureWriter(files);
  host.captureButton = false;  // the capture button locks the controls as it sends

  ASSERT_TRUE(request([&] { exchange.sender.SendSetting(0, 166); }));
  EXPECT_EQ(host.txStr,
            "\x02"
            "016600040000"
            "0170\x03(18)");
  EXPECT_GE(chunkSizes.size(), 14u);
  // The line outruns the poll: chunks are the driver's whole buffer.
  EXPECT_GE(std::count(chunkSizes.begin(), chunkSizes.end(), 2048u), 10);
  EXPECT_LE(*std::max_element(chunkSizes.begin(), chunkSizes.end()), 2048u);
  ASSERT_EQ(host.capturedImages.size(), 1u);
  EXPECT_EQ(host.capturedImages[0], files.file());
  EXPECT_EQ(host.calls.back(), "EnableCommandControls(true)");
  std::ifstream in(files.file(), std::ios::binary);
  const std::vector<uint8_t> bmp{std::istreambuf_iterator<char>(in), {}};
  ASSERT_EQ(bmp.size(), 9662u);
  EXPECT_EQ(bmp[0], 'B');
  EXPECT_EQ(bmp[1], 'M');
  EXPECT_EQ(bmp[2] | bmp[3] << 8 | bmp[4] << 16, 9662);
  EXPECT_TRUE(std::equal(bmp.begin(), bmp.end(), exchange.capture.CaptureBuf.begin()));
  EXPECT_EQ(replyTimeouts, 0);
  std::filesystem::remove_all(dir);
}

// A frame sent after the instrument vanished, before any poll noticed: the send finds the
// hang-up itself.
TEST_F(SerialEndToEnd, ASendIntoAVanishedInstrumentReportsTheHangUp) {
  ASSERT_TRUE(request([&] { exchange.sender.SendCommandFrameNow(200, {9}); }));
  sim->kill(SIGKILL);
  exchange.sender.SendCommandFrameNow(200, {9});
  EXPECT_EQ(writer.last.status, SendStatus::kHungUp);
  EXPECT_EQ(writer.last.written, 0u);
  EXPECT_EQ(hangUps, 1);
  EXPECT_FALSE(driver.connected());
  clock.advance(200);
  EXPECT_EQ(hangUps, 1);
}

}  // namespace
}  // namespace corvane::e2e
