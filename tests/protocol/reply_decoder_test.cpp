#include "protocol/reply_decoder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "protocol/link_exchange.h"
#include "protocol/recording_host.h"
#include "reply_frames.h"

namespace corvane {
namespace {

using testing::bytesOf;

std::string readFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ReplyDecoderTest : public ::testing::Test {
 protected:
  ReplyDecoderTest() : writer(dir.path()), exchange(host, nullptr, writer) {}

  void feed(const std::string& frame) {
    exchange.flags.ReplyReady = false;
    exchange.framer.receiveData(bytesOf(frame));
    EXPECT_TRUE(exchange.flags.ReplyReady);
  }
  WaveformBlock& block() { return exchange.block; }
  // Sets sample arrays to a recognisable earlier acquisition.
  void fillOldSamples() {
    for (int i = 0; i < kArrayLength; ++i) {
      block().setCh1Samples(i, 7);
      block().setCh2Samples(i, 8);
    }
  }

  testing::TempDir dir;
  RecordingHost host;
  DirectoryCaptureWriter writer;
  LinkExchange exchange;
};

TEST_F(ReplyDecoderTest, EachSettingReplyWritesOnlyItsField) {
  struct Setting {
    int code;
    std::size_t offset;
    bool wide;
  };
  const Setting settings[] = {
      {1, 18083, false},   {3, 18078, false},   {5, 18081, false},   {7, 18086, true},
      {9, 18101, false},   {21, 18084, false},  {23, 18079, false},  {25, 18082, false},
      {27, 18088, true},   {29, 18102, false},  {31, 18080, false},  {32, 18080, false},
      {42, 18090, true},   {52, 18109, false},  {70, 18092, false},  {80, 18095, false},
      {82, 18096, false},  {84, 18097, false},  {86, 18099, false},  {88, 18100, false},
      {90, 18098, false},  {92, 18104, true},   {110, 18106, false}, {112, 18112, false},
      {114, 18107, false}, {124, 18111, false}, {171, 18108, false},
  };
  ASSERT_EQ(std::size(settings), 27u);
  for (const Setting& s : settings) {
    const WaveformBlock before = block();
    feed(testing::settingReply(s.code, 300 + s.code));
    WaveformBlock expected = before;
    if (s.wide) {
      expected.setU16(s.offset, static_cast<uint16_t>(300 + s.code));
    } else {
      expected.setU8(s.offset, static_cast<uint8_t>(300 + s.code));
    }
    EXPECT_TRUE(block() == expected) << "reply " << s.code;
  }
  // 300 in an 8-bit field keeps its low 8 bits.
  feed(testing::settingReply(5, 300));
  EXPECT_EQ(block().u8(18081), 44);
  feed(testing::settingReply(92, 9999));
  EXPECT_EQ(block().TriggerLevel(), 9999);
  feed(testing::settingReply(31, 6));
  EXPECT_EQ(block().TimeDivIndex(), 6);
  feed(testing::settingReply(32, 17));
  EXPECT_EQ(block().TimeDivIndex(), 17);
}

TEST_F(ReplyDecoderTest, UnknownCodesChangeNothing) {
  block().setCh1VoltDivIndex(3);
  const WaveformBlock before = block();
  for (int code : {0, 2, 33, 200, 204, 208, 9999}) feed(testing::settingReply(code, 5));
  feed(testing::samplesReply(204, 1000, std::vector<int>(1000, 99)));
  EXPECT_TRUE(block() == before);
  EXPECT_TRUE(host.calls.empty());
}

TEST_F(ReplyDecoderTest, StatusReplyStoresItsTwentyThreeFields) {
  const std::vector<int> fields = {1, 9, 2, 175, 3, 0, 10,   1, 275, 2, 17, 131,
                                   0, 1, 3, 1,   1, 2, 1000, 1, 0,   2, 4};
  feed(testing::fieldsReply(209, fields));
  const std::size_t offsets[] = {18078, 18081, 18083, 18086, 18101, 18079, 18082, 18084,
                                 18088, 18102, 18080, 18090, 18099, 18096, 18097, 18100,
                                 18098, 18095, 18104, 18112, 18107, 18106, 18109};
  const bool wide[] = {false, false, false, true,  false, false, false, false,
                       true,  false, false, true,  false, false, false, false,
                       false, false, true,  false, false, false, false};
  for (std::size_t k = 0; k < 23; ++k) {
    const int stored = wide[k] ? block().u16(offsets[k]) : block().u8(offsets[k]);
    EXPECT_EQ(stored, fields[k]) << "field " << k;
  }
  EXPECT_EQ(block().Ch1Position(), 175);
  EXPECT_EQ(block().TriggerLevel(), 1000);
  EXPECT_EQ(block().ArithMode(), 4);
  EXPECT_EQ(block().Averaging(), 0);
}

TEST_F(ReplyDecoderTest, RecallInformationKeepsItsValuesWhenNothingIsRecalled) {
  feed(testing::fieldsReply(207, {3, 11, 12, 13, 1414, 15}));
  EXPECT_EQ(block().RecallSelect(), 3);
  EXPECT_EQ(block().RecallInfo1(), 11);
  EXPECT_EQ(block().RecallInfo2(), 12);
  EXPECT_EQ(block().RecallInfo3(), 13);
  EXPECT_EQ(block().RecallInfo4(), 1414);
  EXPECT_EQ(block().RecallInfo5(), 15);

  const WaveformBlock before = block();
  feed(testing::fieldsReply(207, {255, 1, 2, 3, 4, 5}));
  WaveformBlock expected = before;
  expected.setRecallSelect(255);
  EXPECT_TRUE(block() == expected);
}

std::vector<int> twoHalves() {
  std::vector<int> s(1000);
  for (int i = 0; i < 500; ++i) {
    s[i] = 100 + i % 100;       // a_i
    s[500 + i] = 200 + i % 50;  // b_i
  }
  return s;
}

TEST_F(ReplyDecoderTest, WaveformFillsBothChannelsFromItsHalves) {
  fillOldSamples();
  block().setTimeDivIndex(17);
  feed(testing::samplesReply(203, 1000, twoHalves()));
  EXPECT_EQ(block().Ch1Samples(0), 100);
  EXPECT_EQ(block().Ch1Samples(1), 101);
  EXPECT_EQ(block().Ch1Samples(499), 199);
  EXPECT_EQ(block().Ch2Samples(0), 200);
  EXPECT_EQ(block().Ch2Samples(499), 249);
  EXPECT_EQ(block().Ch1Samples(500), 7);
  EXPECT_EQ(block().Ch2Samples(500), 8);
}

TEST_F(ReplyDecoderTest, At250PointsBothShownDuplicatesEveryPoint) {
  fillOldSamples();
  block().setTimeDivIndex(6);
  feed(testing::samplesReply(203, 1000, twoHalves()));
  const int ch1[] = {100, 100, 101, 101, 102};
  const int ch2[] = {200, 200, 201, 201, 202};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(block().Ch1Samples(i), ch1[i]);
    EXPECT_EQ(block().Ch2Samples(i), ch2[i]);
  }
  EXPECT_EQ(block().Ch1Samples(498), 149);  // a_249
  EXPECT_EQ(block().Ch1Samples(499), 149);
  EXPECT_EQ(block().Ch2Samples(499), 249);  // b_249
  EXPECT_EQ(block().Ch1Samples(500), 7);
}

TEST_F(ReplyDecoderTest, At250PointsOneChannelShownInterleavesTheHalves) {
  fillOldSamples();
  block().setTimeDivIndex(6);
  block().setCh1Hidden(1);
  feed(testing::samplesReply(203, 1000, twoHalves()));
  const int ch2[] = {100, 200, 101, 201, 102, 202};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(block().Ch2Samples(i), ch2[i]);
  EXPECT_EQ(block().Ch2Samples(498), 149);
  EXPECT_EQ(block().Ch2Samples(499), 249);
  for (int i : {0, 1, 250, 499}) EXPECT_EQ(block().Ch1Samples(i), 7);

  fillOldSamples();
  block().setCh1Hidden(0);
  block().setCh2Hidden(1);
  feed(testing::samplesReply(203, 1000, twoHalves()));
  const int ch1[] = {100, 200, 101, 201};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(block().Ch1Samples(i), ch1[i]);
  for (int i : {0, 1, 499}) EXPECT_EQ(block().Ch2Samples(i), 8);

  // Both hidden: the previous samples are passed on.
  fillOldSamples();
  block().setCh1Hidden(1);
  const WaveformBlock before = block();
  feed(testing::samplesReply(203, 1000, twoHalves()));
  EXPECT_TRUE(block() == before);
}

TEST_F(ReplyDecoderTest, RecallAndLimitRepliesFillTheirPairs) {
  feed(testing::samplesReply(205, 1000, twoHalves()));
  EXPECT_EQ(block().RecallSamples(0), 100);
  EXPECT_EQ(block().RecallSamples(499), 199);
  EXPECT_EQ(block().RecallValid(0), 200);
  EXPECT_EQ(block().RecallValid(499), 249);
  feed(testing::samplesReply(206, 1000, twoHalves()));
  EXPECT_EQ(block().LimitUpper(1), 101);
  EXPECT_EQ(block().LimitLower(1), 201);
  EXPECT_EQ(block().LimitLower(499), 249);
}

TEST_F(ReplyDecoderTest, OneChannelRepliesStoreTheirCountAndStopAtTheArrayEnd) {
  fillOldSamples();
  feed(testing::samplesReply(201, 0, {1, 2, 3}));
  EXPECT_EQ(block().Ch1Samples(0), 7);
  feed(testing::samplesReply(201, 3, {11, 12, 13, 14}));
  EXPECT_EQ(block().Ch1Samples(0), 11);
  EXPECT_EQ(block().Ch1Samples(2), 13);
  EXPECT_EQ(block().Ch1Samples(3), 7);
  EXPECT_EQ(block().Ch2Samples(0), 8);
  feed(testing::samplesReply(202, 2, {21, 22}));
  EXPECT_EQ(block().Ch2Samples(1), 22);
  EXPECT_EQ(block().Ch2Samples(2), 8);

  // A count beyond the 1004 entries fills the array and nothing after it.
  std::vector<int> many(1500, 250);
  feed(testing::samplesReply(201, 1500, many));
  EXPECT_EQ(block().Ch1Samples(1003), 250);
  EXPECT_EQ(block().u16(offsets::Ch2Samples + 4), 8);  // Ch2Samples[2]
  // Digits missing from a short body read as 0; a malformed sample is 0 as well.
  feed(testing::replyFrame(202, 9999, "0050x1"));
  EXPECT_EQ(block().Ch2Samples(0), 5);
  EXPECT_EQ(block().Ch2Samples(1), 0);
  EXPECT_EQ(block().Ch2Samples(1003), 0);
  EXPECT_EQ(block().u16(offsets::ArithTrace), 0);
}

std::string captureDigits(const std::vector<int>& bytes) {
  std::string digits;
  for (int b : bytes) digits += testing::threeDigits(b);
  return digits;
}

TEST_F(ReplyDecoderTest, ScreenImageIsWrittenShownAndReleasesTheControls) {
  std::vector<int> image(kCaptureImageSize);
  for (std::size_t k = 0; k < image.size(); ++k) image[k] = static_cast<int>(k * 7 % 256);
  image[0] = 'B';
  image[1] = 'M';
  image[2] = 300;  // low 8 bits: 44
  host.commandControlsEnabled = false;
  feed(testing::replyFrame(166, 0, captureDigits(image)));

  const std::filesystem::path file = dir.path() / "Test.BMP";
  const std::string written = readFile(file);
  ASSERT_EQ(written.size(), 9662u);
  EXPECT_EQ(written.substr(0, 3), "BM,");
  EXPECT_EQ(static_cast<uint8_t>(written[9661]), 9661 * 7 % 256);
  EXPECT_EQ(exchange.capture.CaptureBuf[2], 44);
  EXPECT_EQ(exchange.capture.CaptureBuf[9661], 9661 * 7 % 256);
  EXPECT_EQ(exchange.capture.CaptureBuf[9662], 0);
  ASSERT_EQ(host.calls.size(), 2u);
  EXPECT_EQ(host.calls[0], "ShowCapturedImage(" + file.string() + ")");
  EXPECT_EQ(host.calls[1], "EnableCommandControls(true)");
  EXPECT_TRUE(host.commandControlsEnabled);
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "Test.BMP.part"));
}

TEST_F(ReplyDecoderTest, AShortScreenImageStillWritesTheWholeImage) {
  feed(testing::replyFrame(166, 0, captureDigits({66, 77, 1, 2})));
  const std::string written = readFile(dir.path() / "Test.BMP");
  ASSERT_EQ(written.size(), 9662u);
  EXPECT_EQ(written.substr(0, 4), "BM\x01\x02");
  EXPECT_EQ(written[4], '\0');
  EXPECT_EQ(written[9661], '\0');
}

TEST_F(ReplyDecoderTest, AnImageThatCannotBeWrittenIsReportedAndTheControlsReleased) {
  DirectoryCaptureWriter missing(dir.path() / "no-such-dir");
  exchange.decoder.setCaptureWriter(missing);
  host.commandControlsEnabled = false;
  feed(testing::replyFrame(166, 0, captureDigits({66, 77})));
  ASSERT_EQ(host.calls.size(), 2u);
  EXPECT_EQ(host.calls[0], "showError(Cannot create file \"" +
                               (dir.path() / "no-such-dir" / "Test.BMP").string() +
                               "\". No such file or directory)");
  EXPECT_EQ(host.calls[1], "EnableCommandControls(true)");
  EXPECT_TRUE(host.capturedImages.empty());
  EXPECT_EQ(exchange.capture.CaptureBuf[1], 77);
}

TEST_F(ReplyDecoderTest, AFailedWriteKeepsThePreviousImage) {
  {
    std::ofstream old(dir.path() / "Test.BMP", std::ios::binary);
    old << "previous image";
  }
  std::filesystem::create_directory(dir.path() / "Test.BMP.part");  // blocks the new file
  feed(testing::replyFrame(166, 0, captureDigits({66, 77})));
  ASSERT_EQ(host.errors.size(), 1u);
  EXPECT_EQ(host.errors[0],
            "Cannot create file \"" + (dir.path() / "Test.BMP").string() + "\". Is a directory");
  EXPECT_EQ(readFile(dir.path() / "Test.BMP"), "previous image");
  EXPECT_TRUE(host.commandControlsEnabled);
}

}  // namespace
}  // namespace corvane
