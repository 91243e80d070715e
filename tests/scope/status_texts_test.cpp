#include "scope/status_texts.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(FillScopeInformation, AllZeroRecordReadsTheFirstEntries) {
  ScopeInformation s = FillScopeInformation(WaveformBlock{});
  EXPECT_EQ(s.ch1VoltDiv, "2 mV");
  EXPECT_EQ(s.ch1Coupling, "AC");
  EXPECT_EQ(s.triggerMode, "Auto");
  EXPECT_EQ(s.triggerSource, "CH1");
  EXPECT_EQ(s.triggerSlope, "+");
  EXPECT_EQ(s.triggerCoupling, "AC");
  EXPECT_EQ(s.timeDiv, "2 ns");
  EXPECT_EQ(s.timeDivItems.size(), 1u);
  EXPECT_EQ(s.triggerLevel, "8.00mV");  // level 0 clamps to 125: +4 divisions of 2 mV
}

TEST(FillScopeInformation, ProbeShiftsTheVoltDivListsAndTimeListStopsAtTheSetting) {
  WaveformBlock b;
  b.setCh1VoltDivIndex(7);
  b.setCh1Probe(1);
  b.setCh2Probe(3);
  b.setCh2VoltDivIndex(10);
  b.setTimeDivIndex(17);
  ScopeInformation s = FillScopeInformation(b);
  ASSERT_EQ(s.ch1VoltDivItems.size(), 11u);
  EXPECT_EQ(s.ch1VoltDivItems.front(), "20 mV");
  EXPECT_EQ(s.ch1VoltDivItems.back(), "50 V");
  EXPECT_EQ(s.ch1VoltDiv, "5 V");
  EXPECT_EQ(s.ch2VoltDiv, "5000 V");
  EXPECT_EQ(s.ch1VoltDivSelection, 7);
  ASSERT_EQ(s.timeDivItems.size(), 18u);
  EXPECT_EQ(s.timeDivItems.back(), "1 ms");
  EXPECT_EQ(s.timeDiv, "1 ms");
  EXPECT_EQ(s.timeDivSelection, 17);
}

TEST(FillScopeInformation, TriggerLevelTexts) {
  WaveformBlock b;
  b.setCh1VoltDivIndex(7);
  b.setTriggerLevel(175);
  EXPECT_EQ(FillScopeInformation(b).triggerLevel, "1.00V");
  b.setTriggerLevel(225);
  EXPECT_EQ(FillScopeInformation(b).triggerLevel, "0.00V");
  b.setTriggerLevel(325);
  EXPECT_EQ(FillScopeInformation(b).triggerLevel, "-2.00V");

  b.setTriggerSource(1);
  b.setCh2VoltDivIndex(2);
  b.setCh2Probe(1);
  b.setTriggerLevel(150);
  EXPECT_EQ(FillScopeInformation(b).triggerLevel, "300.00mV");

  b.setTriggerSource(2);
  b.setTriggerLevel(500);
  ScopeInformation s = FillScopeInformation(b);
  EXPECT_EQ(s.triggerLevel, "0.00%");
  EXPECT_EQ(s.extTriggerLevelRow, 225);
  b.setTriggerLevel(0);
  s = FillScopeInformation(b);
  EXPECT_EQ(s.triggerLevel, "78.15%");
  EXPECT_EQ(s.extTriggerLevelRow, 125);
  b.setTriggerLevel(1000);
  EXPECT_EQ(FillScopeInformation(b).extTriggerLevelRow, 325);
  b.setTriggerLevel(65535);  // beyond the scale: the marker stays on the bottom line
  EXPECT_EQ(FillScopeInformation(b).extTriggerLevelRow, 325);

  b.setTriggerSource(3);
  s = FillScopeInformation(b);
  EXPECT_EQ(s.triggerLevel, "+0.0%");
  EXPECT_FALSE(s.extTriggerLevelRow);
}

TEST(FillScopeInformation, TvTriggerReplacesSlopeAndCoupling) {
  WaveformBlock b;
  b.setTriggerType(1);
  b.setTvSync(1);
  b.setTriggerMode(4);
  ScopeInformation s = FillScopeInformation(b);
  EXPECT_EQ(s.triggerSlope, "");
  EXPECT_EQ(s.triggerCoupling, "Line");
  EXPECT_EQ(s.triggerMode, "TV-H");
}

TEST(FillScopeInformation, BytesOutsideTheirTables) {
  WaveformBlock b;
  b.setCh1Probe(7);
  b.setCh1VoltDivIndex(200);
  b.setTimeDivIndex(40);
  b.setTriggerSource(9);
  b.setTriggerMode(5);
  b.setCh2Coupling(3);
  ScopeInformation previous;
  previous.triggerLevel = "1.00V";
  ScopeInformation s = FillScopeInformation(b, previous);
  EXPECT_EQ(s.ch1VoltDivItems.front(), "2 mV");  // probe 7 reads as x1
  EXPECT_EQ(s.ch1VoltDiv, "???");
  EXPECT_EQ(s.ch1VoltDivSelection, -1);
  EXPECT_EQ(s.timeDivItems.size(), 29u);
  EXPECT_EQ(s.timeDiv, "???");
  EXPECT_EQ(s.timeDivSelection, -1);
  EXPECT_EQ(s.triggerMode, "???");
  EXPECT_EQ(s.triggerSource, "???");
  EXPECT_EQ(s.ch2Coupling, "???");
  EXPECT_EQ(s.triggerLevel, "1.00V");  // an unknown source leaves the text as it was

  b.setTriggerSource(0);  // CH1 source with a volts/division byte off the table
  EXPECT_EQ(FillScopeInformation(b).triggerLevel, "???");
}

}  // namespace
}  // namespace corvane
