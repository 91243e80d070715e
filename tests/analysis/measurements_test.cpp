#include "analysis/measurements.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

// CH1 at position 225 (ground 127), 0.5 V/div, 1 ms/div; levels a/b alternate every `half` samples.
WaveformBlock squareWave(int high = 177, int low = 77, int half = 100) {
  WaveformBlock b;
  b.setCh1Position(225);
  b.setCh1VoltDivIndex(7);
  b.setTimeDivIndex(17);
  b.setCh2Position(275);
  for (int i = 0; i < kPointCount; ++i) {
    b.setCh1Samples(i, (i / half) % 2 == 0 ? high : low);
    b.setCh2Samples(i, 77);
  }
  return b;
}

TEST(MeasureChannels, SquareWaveReadsItsWorkedValues) {
  WaveformBlock b = squareWave();
  Measurements m = MeasureChannels(b, recordScales(b));
  const ChannelMeasurements& c = m.channel[0];
  EXPECT_EQ(c.pp, "2.0V");
  EXPECT_EQ(c.rms, "1.0V");
  EXPECT_EQ(c.mean, "0.000V");
  EXPECT_EQ(c.freq, "250.00Hz");
  EXPECT_EQ(c.period, "4.00ms");
  EXPECT_EQ(c.rise, "0.02ms");
  EXPECT_EQ(c.fall, "0.02ms");
  EXPECT_EQ(c.pwidth, "2.00ms");
  EXPECT_EQ(c.nwidth, "2.00ms");
  for (int i = 0; i < kPointCount; ++i) ASSERT_EQ(b.PointValid(i), 1) << i;
  EXPECT_EQ(b.PointValid(500), 0);
}

TEST(MeasureChannels, WidthsFollowTheDirectionOfTheFirstCrossing) {
  WaveformBlock b = squareWave();
  // High 60 samples, low 140: starts high, so the first crossing falls.
  for (int i = 0; i < kPointCount; ++i) b.setCh1Samples(i, (i % 200) < 60 ? 177 : 77);
  Measurements m = MeasureChannels(b, recordScales(b));
  EXPECT_EQ(m.channel[0].nwidth, "2.80ms");  // 60..199 low
  EXPECT_EQ(m.channel[0].pwidth, "1.20ms");  // 200..259 high
}

TEST(MeasureChannels, FlatHiddenAndTwoCrossingTraces) {
  WaveformBlock flat;
  flat.setCh1Position(175);
  flat.setCh2Position(275);
  for (int i = 0; i < kPointCount; ++i) {
    flat.setCh1Samples(i, 177);
    flat.setCh2Samples(i, 77);
  }
  Measurements m = MeasureChannels(flat, recordScales(flat));
  EXPECT_EQ(m.channel[0].pp, "0.0mV");
  EXPECT_EQ(m.channel[0].rms, "???");
  EXPECT_EQ(m.channel[0].rise, "???");
  EXPECT_EQ(m.channel[1].freq, "???");

  WaveformBlock hidden = squareWave();
  hidden.setCh1Hidden(1);
  EXPECT_EQ(MeasureChannels(hidden, recordScales(hidden)).channel[0], ChannelMeasurements{});

  WaveformBlock two = squareWave(177, 77, 200);  // crossings at 200 and 400 only
  Measurements t = MeasureChannels(two, recordScales(two));
  EXPECT_EQ(t.channel[0].pp, "2.0V");
  EXPECT_EQ(t.channel[0].rms, "???");
  EXPECT_EQ(t.channel[0].rise, "???");
  EXPECT_EQ(t.channel[0].fall, "???");
}

TEST(MeasureChannels, SingleEdgeAndEdgeAtSampleZero) {
  WaveformBlock b = squareWave();
  for (int i = 0; i < kPointCount; ++i) b.setCh1Samples(i, i < 250 ? 77 : 177);
  Measurements m = MeasureChannels(b, recordScales(b));
  EXPECT_EQ(m.channel[0].rise, "0.02ms");
  EXPECT_EQ(m.channel[0].fall, "???");
  EXPECT_EQ(m.channel[0].freq, "???");

  // Only sample 0 lies below 10 %: index 0 stands for "none found".
  for (int i = 0; i < kPointCount; ++i) b.setCh1Samples(i, i == 0 ? 77 : 177);
  EXPECT_EQ(MeasureChannels(b, recordScales(b)).channel[0].rise, "???");
}

TEST(MeasureChannels, SamplesOnTheMiddleLevelNeverCross) {
  WaveformBlock b = squareWave();
  // mid is 127; a sample at mid between the halves must not add a crossing.
  for (int i = 0; i < kPointCount; ++i) {
    int code = (i / 100) % 2 == 0 ? 177 : 77;
    if (i % 100 == 50) code = 127;
    b.setCh1Samples(i, code);
  }
  b.setCh1Samples(0, 127);  // first sample on mid: state +1
  EXPECT_EQ(MeasureChannels(b, recordScales(b)).channel[0].period, "4.00ms");
}

TEST(MeasureChannels, FrequencyThresholdsAreStrict) {
  // 0.25 us/div: 0.005 us per sample; a period of 100 samples is 0.5 us, 2 MHz.
  WaveformBlock b = squareWave(177, 77, 50);
  b.setTimeDivIndex(6);
  Measurements m = MeasureChannels(b, recordScales(b));
  EXPECT_EQ(m.channel[0].period, "0.50us");
  EXPECT_EQ(m.channel[0].freq, "2.00MHz");

  // 1 us/div, period 50 samples = 1 us: exactly 1,000,000 Hz reads in KHz.
  b = squareWave(177, 77, 25);
  b.setTimeDivIndex(8);
  EXPECT_EQ(MeasureChannels(b, recordScales(b)).channel[0].freq, "1000.00KHz");
  // 20 ms/div: 0.4 ms per sample, 50 samples = 20 ms = 50 Hz.
  b.setTimeDivIndex(21);
  EXPECT_EQ(MeasureChannels(b, recordScales(b)).channel[0].freq, "50.00Hz");
  // 1 ms/div, period 50 samples = 1 ms: exactly 1000 Hz stays in Hz.
  b.setTimeDivIndex(17);
  EXPECT_EQ(MeasureChannels(b, recordScales(b)).channel[0].freq, "1000.00Hz");
}

TEST(MeasureChannels, ProbeScalesTheValueButNotTheUnit) {
  WaveformBlock b = squareWave(227, 27);  // 200 codes peak to peak
  b.setCh1VoltDivIndex(10);
  b.setCh1Probe(3);
  EXPECT_EQ(MeasureChannels(b, recordScales(b)).channel[0].pp, "40000.0V");
  b.setCh1VoltDivIndex(4);  // 50 mV/div, 2 mV per code, x1000 stays in mV
  EXPECT_EQ(MeasureChannels(b, recordScales(b)).channel[0].pp, "400000.0mV");
}

TEST(MeasureChannels, DisplayScaleDrivesTheReadout) {
  WaveformBlock b = squareWave();
  DisplayScales s = recordScales(b);
  s.ch1VoltDivIndex = 8;  // 1 V/div: the same codes read twice the voltage
  s.timeDivIndex = 16;    // 0.5 ms/div
  Measurements m = MeasureChannels(b, s);
  EXPECT_EQ(m.channel[0].pp, "4.0V");
  EXPECT_EQ(m.channel[0].period, "2.00ms");
}

TEST(MeasureChannels, OutOfTableSettingsNeverReadOutside) {
  WaveformBlock b = squareWave();
  b.setCh1VoltDivIndex(200);
  b.setTimeDivIndex(40);
  b.setCh1Probe(7);  // counts as x1
  Measurements m = MeasureChannels(b, recordScales(b));
  EXPECT_EQ(m.channel[0].pp, "???");
  EXPECT_EQ(m.channel[0].mean, "???");
  EXPECT_EQ(m.channel[0].freq, "???");
  EXPECT_EQ(m.channel[0].rise, "???");
  b.setCh1VoltDivIndex(7);
  EXPECT_EQ(MeasureChannels(b, recordScales(b)).channel[0].pp, "2.0V");
  // Positions beyond the clamp limits: ground 255 at or below 97, 0 above 352.
  b.setCh1Position(60000);
  m = MeasureChannels(b, recordScales(b));
  EXPECT_EQ(m.channel[0].mean, "2.540V");  // ground code 0: (177 + 77) / 2 codes
  EXPECT_EQ(m.channel[0].period, "???");   // the time base is still unknown
}

}  // namespace
}  // namespace corvane
