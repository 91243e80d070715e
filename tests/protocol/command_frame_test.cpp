#include "protocol/command_frame.h"

#include <gtest/gtest.h>

#include <vector>

namespace corvane {
namespace {

TEST(FormatField, PadsToFourDigitsAndWidensFromTenThousand) {
  EXPECT_EQ(FormatField(0), "0000");
  EXPECT_EQ(FormatField(33), "0033");
  EXPECT_EQ(FormatField(9999), "9999");
  EXPECT_EQ(FormatField(10000), "10000");
  EXPECT_EQ(FormatField(65535), "65535");
  EXPECT_EQ(FormatField(1376340), "1376340");
}

TEST(BuildCommandFrame, WorkedFramesComeOutByteForByte) {
  const uint16_t volts[] = {8};
  EXPECT_EQ(BuildCommandFrame(6, volts),
            "\x02"
            "0006000400080018"
            "\x03");
  const uint16_t screen[] = {0};
  EXPECT_EQ(BuildCommandFrame(166, screen),
            "\x02"
            "0166000400000170"
            "\x03");
  EXPECT_EQ(BuildActionFrame(0, 190),
            "\x02"
            "01740008000001900372"
            "\x03");
  EXPECT_EQ(BuildCommandFrame(70, {}),
            "\x02"
            "007000000070"
            "\x03");
  EXPECT_EQ(BuildCommandFrame(70, {}).size(), 14u);
  EXPECT_EQ(BuildActionFrame(0, 190).size(), 22u);
}

TEST(BuildCommandFrame, LargeValuesWidenTheirFieldButNotTheLength) {
  const uint16_t big[] = {10000};
  EXPECT_EQ(BuildCommandFrame(6, big),
            "\x02"
            "00060004"
            "10000"
            "10010"
            "\x03");
  const uint16_t top[] = {9999};
  // The field fits, the checksum 9999 + 4 + 6 widens.
  EXPECT_EQ(BuildCommandFrame(6, top),
            "\x02"
            "000600049999"
            "10009"
            "\x03");
  const uint16_t two[] = {65535, 65535};
  EXPECT_EQ(BuildCommandFrame(200, two),
            "\x02"
            "02000008"
            "65535"
            "65535"
            "131278"
            "\x03");
}

TEST(BuildCommandFrame, UsesOnlyTheFieldsThatExistAndAtMostTwentyOne) {
  const uint16_t one[] = {9};
  // A count beyond the array never reads past it.
  EXPECT_EQ(BuildCommandFrame(200, one, 5),
            "\x02"
            "020000040009"
            "0213"
            "\x03");
  EXPECT_EQ(BuildCommandFrame(200, one, 0),
            "\x02"
            "02000000"
            "0200"
            "\x03");
  std::vector<uint16_t> many(30, 1);
  const std::string frame = BuildCommandFrame(1, many, 30);
  EXPECT_EQ(frame.size(), 14u + 4 * 21);
  EXPECT_EQ(frame.substr(1, 8), "00010084");
  EXPECT_EQ(frame.substr(frame.size() - 5), "0106\x03");
}

}  // namespace
}  // namespace corvane
