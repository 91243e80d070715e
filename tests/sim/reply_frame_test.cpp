#include "sim/reply_frame.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/sim/sim_test_support.h"

namespace corvane::sim {
namespace {

using test::framed;

TEST(ReplyFrame, PadsAndWidensDecimalFields) {
  EXPECT_EQ(zeroPadded(33, 4), "0033");
  EXPECT_EQ(zeroPadded(0, 4), "0000");
  EXPECT_EQ(zeroPadded(10000, 4), "10000");
  EXPECT_EQ(zeroPadded(7, 3), "007");
}

TEST(ReplyFrame, BuildsValueAndSampleReplies) {
  const std::vector<uint16_t> one{8};
  EXPECT_EQ(buildValueReply(5, one), framed("0005", "0001", "0008", "0014"));
  EXPECT_EQ(buildValueReply(209, std::vector<uint16_t>{}), framed("0209", "0000", "0209"));

  const std::vector<uint16_t> samples{1, 22, 333};
  EXPECT_EQ(buildSampleReply(201, samples), framed("0201", "0003", "001022333", "0560"));
  // Sample codes have three digits; anything larger is sent as 999.
  EXPECT_EQ(buildSampleReply(202, std::vector<uint16_t>{1200}),
            framed("0202", "0001", "999", "1202"));
}

TEST(ReplyFrame, RawImageIsTheBytesBetweenStxAndEtx) {
  const std::vector<uint8_t> bytes{0x02, 'B', 0x03, 0x00};
  const std::string expected{'\x02', '\x02', 'B', '\x03', '\0', '\x03'};
  EXPECT_EQ(buildRawImageReply(bytes), expected);
}

}  // namespace
}  // namespace corvane::sim
