#include "sim/command_frame.h"

#include <gtest/gtest.h>

#include "sim/command_reader.h"
#include "tests/sim/sim_test_support.h"

namespace corvane::sim {
namespace {

using test::framed;
using test::opened;

TEST(CommandFrame, ParsesTheProgramsFrames) {
  auto volt = parseCommandBody("0006000400080018");
  ASSERT_TRUE(volt.frame) << volt.error;
  EXPECT_EQ(volt.frame->code, 6);
  EXPECT_EQ(volt.frame->fields, (std::vector<uint16_t>{8}));

  auto screen = parseCommandBody("0166000400000170");
  ASSERT_TRUE(screen.frame);
  EXPECT_EQ(screen.frame->code, 166);
  EXPECT_EQ(screen.frame->fields, (std::vector<uint16_t>{0}));

  auto autoSet = parseCommandBody("01740008000001900372");
  ASSERT_TRUE(autoSet.frame);
  EXPECT_EQ(autoSet.frame->code, 174);
  EXPECT_EQ(autoSet.frame->fields, (std::vector<uint16_t>{0, 190}));

  auto query = parseCommandBody("007000000070");
  ASSERT_TRUE(query.frame);
  EXPECT_EQ(query.frame->code, 70);
  EXPECT_TRUE(query.frame->fields.empty());

  // A checksum of 10000 or more keeps all its digits.
  auto wide = parseCommandBody("99990004999920002");
  ASSERT_TRUE(wide.frame) << wide.error;
  EXPECT_EQ(wide.frame->code, 9999);
  EXPECT_EQ(wide.frame->fields, (std::vector<uint16_t>{9999}));
}

TEST(CommandFrame, RejectsMalformedBodiesWithAReason) {
  EXPECT_EQ(parseCommandBody("0006000400080019").error, "checksum 0019 does not match 0018");
  EXPECT_EQ(parseCommandBody("00700000007").error,
            "frame too short (11 digits between STX and ETX)");
  EXPECT_EQ(parseCommandBody("00A6000400080018").error, "non-digit byte 0x41 at offset 3");
  EXPECT_EQ(parseCommandBody("0006000300080017").error, "data length 0003 is not 4 x 0..21 fields");
  EXPECT_EQ(parseCommandBody("0006008800000094").error, "data length 0088 is not 4 x 0..21 fields");
  EXPECT_EQ(parseCommandBody("0006000800080022").error, "frame shorter than its data length 0008");
  EXPECT_EQ(parseCommandBody("00060004000800180000").error,
            "frame longer than its data length 0004");
  // A widened field (10000) shifts the checksum and is refused, never misread as 1000.
  EXPECT_EQ(parseCommandBody("000600041000010010").error, "checksum 010010 does not match 1010");
  EXPECT_FALSE(parseCommandBody("").frame);
}

TEST(CommandFrame, PrintableFrameNamesControlBytes) {
  EXPECT_EQ(printableFrame(framed("0070") + "\x7f" + "A"), "<STX>0070<ETX><0x7F>A");
}

TEST(CommandReader, AssemblesFramesAcrossChunks) {
  CommandReader reader;
  const std::string frame = framed("0006000400080018");
  std::vector<ReceivedFrame> got;
  for (char c : frame) {
    for (auto& r : reader.feed(std::string_view(&c, 1))) got.push_back(r);
  }
  ASSERT_EQ(got.size(), 1u);
  ASSERT_TRUE(got[0].frame);
  EXPECT_EQ(got[0].frame->code, 6);
  EXPECT_EQ(got[0].raw, frame);

  // Unlike the program's receiver, the instrument answers every frame of a chunk.
  auto two = reader.feed("xy" + framed("007000000070") + "z" + framed("012400000124"));
  ASSERT_EQ(two.size(), 2u);
  EXPECT_EQ(two[0].frame->code, 70);
  EXPECT_EQ(two[1].frame->code, 124);
  EXPECT_EQ(reader.strayBytes(), 3u);
}

TEST(CommandReader, ReportsCutOffAndOverlongFramesAndRecovers) {
  CommandReader reader;
  auto cut = reader.feed(opened("00060004") + framed("012400000124"));
  ASSERT_EQ(cut.size(), 2u);
  EXPECT_EQ(cut[0].error, "frame cut off by a new STX");
  EXPECT_EQ(cut[0].raw, opened("00060004"));
  ASSERT_TRUE(cut[1].frame);

  // 98 digits make a 100-byte frame, the longest the program can send; 99 are too many.
  auto longest = reader.feed(framed(std::string(98, '0')));
  ASSERT_EQ(longest.size(), 1u);
  EXPECT_NE(longest[0].error, "frame longer than 100 bytes");
  auto tooLong = reader.feed(framed(std::string(5000, '1')) + framed("007000000070"));
  ASSERT_EQ(tooLong.size(), 2u);
  EXPECT_EQ(tooLong[0].error, "frame longer than 100 bytes");
  EXPECT_LE(tooLong[0].raw.size(), kMaxCommandFrameBytes);
  ASSERT_TRUE(tooLong[1].frame);
  EXPECT_EQ(tooLong[1].frame->code, 70);

  reader.feed(opened("0070"));
  EXPECT_TRUE(reader.inFrame());
  reader.reset();
  EXPECT_FALSE(reader.inFrame());
  auto after = reader.feed("00000070\x03");
  EXPECT_TRUE(after.empty());  // the tail of the dropped frame is stray bytes, not a frame
}

}  // namespace
}  // namespace corvane::sim
