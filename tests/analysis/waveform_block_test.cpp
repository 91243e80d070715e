#include "analysis/waveform_block.h"

#include <gtest/gtest.h>

#include "analysis/value_tables.h"

namespace corvane {
namespace {

TEST(WaveformBlock, FieldsSitAtTheirOffsetsLittleEndian) {
  WaveformBlock b;
  b.setCh1Samples(0, 0x1234);
  b.setCh2Samples(499, 0xBEEF);
  b.setArithTrace(1, -2);
  b.setTriggerLevel(1000);
  b.setLinkUsb(1);
  EXPECT_EQ(b.bytes[2010], 0x34);
  EXPECT_EQ(b.bytes[2011], 0x12);
  EXPECT_EQ(b.bytes[4018 + 998], 0xEF);
  EXPECT_EQ(b.bytes[4018 + 999], 0xBE);
  EXPECT_EQ(b.bytes[6032], 0xFE);
  EXPECT_EQ(b.bytes[6035], 0xFF);
  EXPECT_EQ(b.bytes[18104], 0xE8);
  EXPECT_EQ(b.bytes[18105], 0x03);
  EXPECT_EQ(b.bytes[18119], 1);
  EXPECT_EQ(b.ArithTrace(1), -2);
}

TEST(WaveformBlock, ArrayIndicesOutsideTheRecordAreIgnored) {
  WaveformBlock b;
  WaveformBlock before = b;
  b.setCh1Samples(1004, 7);
  b.setCh2Samples(-1, 7);
  b.setArithTrace(5000, 7);
  EXPECT_EQ(b, before);
  EXPECT_EQ(b.LimitLower(1004), 0);
}

TEST(ValueTables, ProbeScalingAndUnits) {
  WaveformBlock b;
  b.setCh1Position(225);
  b.setCh1VoltDivIndex(7);
  b.setCh1Probe(1);
  b.setCh1Samples(0, 177);
  EXPECT_DOUBLE_EQ(*channelMillivoltsPerCode(b, 0), 200.0);
  EXPECT_DOUBLE_EQ(*sampleMillivolts(b, 0, 0), 10000.0);
  EXPECT_EQ(probeScaledVoltDivText(3, 10), "5000 V");
  EXPECT_EQ(probeScaledVoltDivText(4, 0), "???");
  EXPECT_EQ(voltageUnit(4)->text, "mV");
  EXPECT_EQ(voltageUnit(5)->text, "V");
  EXPECT_FALSE(voltageUnit(11));
  EXPECT_EQ(timeDivText(6), "0.25 us");
  EXPECT_DOUBLE_EQ(*timePerSample(6), 0.005);
  EXPECT_EQ(timeDivText(29), "???");
  EXPECT_EQ(triggerSourceText(9), "???");
}

TEST(ValueTables, ExtLevelMapsOntoRowsAndRoundsHalvesToEven) {
  EXPECT_EQ(extTriggerLevelToRow(500), 225);
  EXPECT_EQ(extTriggerLevelToRow(0), 125);
  EXPECT_EQ(extTriggerLevelToRow(1000), 325);
  EXPECT_EQ(roundHalfEven(2.5), 2);
  EXPECT_EQ(roundHalfEven(3.5), 4);
  EXPECT_EQ(roundHalfEven(-2.5), -2);
}

}  // namespace
}  // namespace corvane
