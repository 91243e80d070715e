#include "scope/status_texts.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(FillScopeInformation, AllZeroRecordReadsTheFirstEntries) {
  ScopeInformation s = FillScopeInformation(WaveformBlock{});
  EXPECT_EQ(s.C1A, "2 mV");
  EXPECT_EQ(s.C1B, "AC");
  EXPECT_EQ(s.CM1, "Auto");
  EXPECT_EQ(s.CM2, "CH1");
  EXPECT_EQ(s.Cm3, "+");
  EXPECT_EQ(s.CM4, "AC");
  EXPECT_EQ(s.CT1, "2 ns");
  EXPECT_EQ(s.ComboBox4Items.size(), 1u);
  EXPECT_EQ(s.CT2, "8.00mV");  // level 0 clamps to 125: +4 divisions of 2 mV
}

TEST(FillScopeInformation, ProbeShiftsTheVoltDivListsAndTimeListStopsAtTheSetting) {
  WaveformBlock b;
  b.setCh1VoltDivIndex(7);
  b.setCh1Probe(1);
  b.setCh2Probe(3);
  b.setCh2VoltDivIndex(10);
  b.setTimeDivIndex(17);
  ScopeInformation s = FillScopeInformation(b);
  ASSERT_EQ(s.ComboBox2Items.size(), 11u);
  EXPECT_EQ(s.ComboBox2Items.front(), "20 mV");
  EXPECT_EQ(s.ComboBox2Items.back(), "50 V");
  EXPECT_EQ(s.C1A, "5 V");
  EXPECT_EQ(s.C2A, "5000 V");
  EXPECT_EQ(s.ComboBox2Index, 7);
  ASSERT_EQ(s.ComboBox4Items.size(), 18u);
  EXPECT_EQ(s.ComboBox4Items.back(), "1 ms");
  EXPECT_EQ(s.CT1, "1 ms");
  EXPECT_EQ(s.ComboBox4Index, 17);
}

TEST(FillScopeInformation, TriggerLevelTexts) {
  WaveformBlock b;
  b.setCh1VoltDivIndex(7);
  b.setTriggerLevel(175);
  EXPECT_EQ(FillScopeInformation(b).CT2, "1.00V");
  b.setTriggerLevel(225);
  EXPECT_EQ(FillScopeInformation(b).CT2, "0.00V");
  b.setTriggerLevel(325);
  EXPECT_EQ(FillScopeInformation(b).CT2, "-2.00V");

  b.setTriggerSource(1);
  b.setCh2VoltDivIndex(2);
  b.setCh2Probe(1);
  b.setTriggerLevel(150);
  EXPECT_EQ(FillScopeInformation(b).CT2, "300.00mV");

  b.setTriggerSource(2);
  b.setTriggerLevel(500);
  ScopeInformation s = FillScopeInformation(b);
  EXPECT_EQ(s.CT2, "0.00%");
  EXPECT_EQ(s.extTriggerLevelRow, 225);
  b.setTriggerLevel(0);
  s = FillScopeInformation(b);
  EXPECT_EQ(s.CT2, "78.15%");
  EXPECT_EQ(s.extTriggerLevelRow, 125);
  b.setTriggerLevel(1000);
  EXPECT_EQ(FillScopeInformation(b).extTriggerLevelRow, 325);
  b.setTriggerLevel(65535);  // beyond the scale: the marker stays on the bottom line
  EXPECT_EQ(FillScopeInformation(b).extTriggerLevelRow, 325);

  b.setTriggerSource(3);
  s = FillScopeInformation(b);
  EXPECT_EQ(s.CT2, "+0.0%");
  EXPECT_FALSE(s.extTriggerLevelRow);
}

TEST(FillScopeInformation, TvTriggerReplacesSlopeAndCoupling) {
  WaveformBlock b;
  b.setTriggerType(1);
  b.setTvSync(1);
  b.setTriggerMode(4);
  ScopeInformation s = FillScopeInformation(b);
  EXPECT_EQ(s.Cm3, "");
  EXPECT_EQ(s.CM4, "Line");
  EXPECT_EQ(s.CM1, "TV-H");
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
  previous.CT2 = "1.00V";
  ScopeInformation s = FillScopeInformation(b, previous);
  EXPECT_EQ(s.ComboBox2Items.front(), "2 mV");  // probe 7 reads as x1
  EXPECT_EQ(s.C1A, "???");
  EXPECT_EQ(s.ComboBox2Index, -1);
  EXPECT_EQ(s.ComboBox4Items.size(), 29u);
  EXPECT_EQ(s.CT1, "???");
  EXPECT_EQ(s.ComboBox4Index, -1);
  EXPECT_EQ(s.CM1, "???");
  EXPECT_EQ(s.CM2, "???");
  EXPECT_EQ(s.C2B, "???");
  EXPECT_EQ(s.CT2, "1.00V");  // an unknown source leaves the text as it was

  b.setTriggerSource(0);  // CH1 source with a volts/division byte off the table
  EXPECT_EQ(FillScopeInformation(b).CT2, "???");
}

}  // namespace
}  // namespace corvane
