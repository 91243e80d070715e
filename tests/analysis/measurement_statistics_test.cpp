#include "analysis/measurement_statistics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace corvane {
namespace {

// Square waves at ground 127, 0.5 V/div, 1 ms/div; every fifth CH1 is flat (no period, no edge),
// every seventh a single rising edge (a rise time only), every sixth CH2 hidden (no values).
WaveformBlock seriesWaveform(int i) {
  WaveformBlock b;
  b.setCh1Position(225);
  b.setCh2Position(225);
  b.setCh1VoltDivIndex(7);
  b.setCh2VoltDivIndex(7);
  b.setTimeDivIndex(17);
  const int half1 = 60 + (i * 7) % 50, half2 = 70 + (i * 11) % 40;
  for (int s = 0; s < kPointCount; ++s) {
    int ch1 = (s / half1) % 2 == 0 ? 150 + i % 13 : 77 + i % 5;
    if (i % 5 == 4)
      ch1 = 140;
    else if (i % 7 == 3)
      ch1 = s < 250 ? 77 : 177;
    b.setCh1Samples(s, uint16_t(ch1));
    b.setCh2Samples(s, uint16_t((s / half2) % 2 == 0 ? 160 + i % 3 : 90));
  }
  b.setCh2Hidden(i % 6 == 0);
  return b;
}

TEST(MeasurementStatistics, KnownSeriesEqualsTwoPassReference) {
  MeasurementStatistics stats;
  std::vector<std::vector<double>> seen(kMeasurementCount);
  for (int i = 0; i < 40; ++i) {
    WaveformBlock b = seriesWaveform(i);
    ASSERT_EQ(stats.add(measureWaveform(b)), StatisticsReset::kNone);
    Measurements m = MeasureChannels(b, recordScales(b));
    // A value exactly where a label has text, and it is the number that text shows.
    for (int k = 0; k < kMeasurementCount; ++k) {
      const std::string& text = m.channel[std::size_t(k / kQuantityCount)].text(quantityAt(k));
      const auto& v = m.values[std::size_t(k)];
      ASSERT_EQ(v.has_value(), text != "???") << i << " " << k << " " << text;
      if (!v) continue;
      EXPECT_EQ(measurementText(quantityAt(k), k / kQuantityCount, *v, recordScales(b)), text);
      seen[std::size_t(k)].push_back(*v);
    }
  }
  const auto count = [&](int ch, Quantity q) { return stats.at(measurementIndex(ch, q)).count(); };
  EXPECT_EQ(count(0, Quantity::kPeakToPeak), 40);
  EXPECT_EQ(count(0, Quantity::kFrequency), 27);  // 8 flat and 5 single edges have no period
  EXPECT_EQ(count(0, Quantity::kRiseTime), 32);   // the single edges have a rise
  EXPECT_EQ(count(1, Quantity::kMean), 33);       // 7 hidden
  // Waveform 39 is flat on CH1: no current period, a peak-to-peak of 0.
  EXPECT_FALSE(stats.at(measurementIndex(0, Quantity::kPeriod)).current());
  EXPECT_EQ(stats.at(measurementIndex(0, Quantity::kPeakToPeak)).current(), 0.0);

  for (int k = 0; k < kMeasurementCount; ++k) {
    const std::vector<double>& x = seen[std::size_t(k)];
    const RunningStatistic& s = stats.at(k);
    ASSERT_EQ(s.count(), int64_t(x.size())) << k;
    double mean = 0, squares = 0;
    for (double v : x) mean += v / double(x.size());
    for (double v : x) squares += (v - mean) * (v - mean);
    const double scale = std::fabs(mean) + 1e-12;
    EXPECT_NEAR(*s.mean(), mean, 1e-12 * scale) << k;
    EXPECT_NEAR(*s.standardDeviation(), std::sqrt(squares / double(x.size())), 1e-9 * scale) << k;
    EXPECT_EQ(*s.minimum(), *std::min_element(x.begin(), x.end())) << k;
    EXPECT_EQ(*s.maximum(), *std::max_element(x.begin(), x.end())) << k;
  }

  // Far from zero, where a plain sum of squares loses every digit of the spread.
  RunningStatistic far;
  for (double d : {4.0, 7.0, 13.0, 16.0}) far.add(1e9 + d);
  far.add(std::nullopt);
  EXPECT_DOUBLE_EQ(*far.mean(), 1e9 + 10);
  EXPECT_NEAR(*far.standardDeviation(), std::sqrt(22.5), 1e-6);
}

TEST(MeasurementStatistics, ScaleChangesSetupLoadsAndTheButtonStartAfresh) {
  MeasurementStatistics stats;
  WaveformBlock b = seriesWaveform(1);
  const RunningStatistic& pp = stats.at(measurementIndex(0, Quantity::kPeakToPeak));
  EXPECT_EQ(stats.add(measureWaveform(b)), StatisticsReset::kNone);
  b.setCh1Probe(1);  // no scale: values at the probe tip stay comparable
  EXPECT_EQ(stats.add(measureWaveform(b)), StatisticsReset::kNone);
  EXPECT_EQ(pp.count(), 2);
  for (auto change : {&WaveformBlock::setCh1VoltDivIndex, &WaveformBlock::setCh2VoltDivIndex,
                      &WaveformBlock::setTimeDivIndex}) {
    WaveformBlock other = b;
    (other.*change)(9);
    EXPECT_EQ(stats.add(measureWaveform(other)), StatisticsReset::kScaleChange);
    EXPECT_EQ(pp.count(), 1);
    EXPECT_EQ(stats.lastReset(), StatisticsReset::kScaleChange);
    EXPECT_EQ(stats.add(measureWaveform(b)), StatisticsReset::kScaleChange);  // and back
  }
  stats.reset(StatisticsReset::kSetupLoad);
  EXPECT_EQ(stats.lastReset(), StatisticsReset::kSetupLoad);
  EXPECT_EQ(stats.waveforms(), 0);
  EXPECT_FALSE(pp.current());
  // The previous hand-over's scales still count: the next at the same scales pools on.
  EXPECT_EQ(stats.add(measureWaveform(b)), StatisticsReset::kNone);
  stats.reset(StatisticsReset::kOperator);
  EXPECT_EQ(pp.count(), 0);
}

}  // namespace
}  // namespace corvane
