#include "sim/acquisition.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace corvane::sim {
namespace {

DisplayTraces triggered(const InstrumentSettings& s, double noise = 0.0) {
  const std::optional<double> t = findTriggerTime(s);
  EXPECT_TRUE(t.has_value());
  return renderTraces(s, AcquisitionInstant{t.value_or(0.0), 42, true}, noise);
}

int span(const Trace& t) {
  auto [lo, hi] = std::minmax_element(t.begin(), t.end());
  return *hi - *lo;
}

// Sample indices where a trace rises through a code.
std::vector<int> risingCrossings(const Trace& t, int code) {
  std::vector<int> at;
  for (int i = 1; i < kTracePoints; ++i) {
    if (t[std::size_t(i - 1)] < code && t[std::size_t(i)] >= code) at.push_back(i);
  }
  return at;
}

TEST(Acquisition, SquareAmplitudeFollowsVoltsPerDivisionAndProbe) {
  InstrumentSettings s;  // CH1 DC at 1 V/div, ground code 177
  s.triggerLevel = 174;  // code 178: just above 0 V at every scale below
  DisplayTraces t = triggered(s);
  EXPECT_EQ(*std::min_element(t.codes[0].begin(), t.codes[0].end()), 177);
  EXPECT_EQ(*std::max_element(t.codes[0].begin(), t.codes[0].end()), 227);

  s.ch[0].voltDiv = 9;  // 2 V/div: the 2 V square shrinks from 50 to 25 codes
  EXPECT_EQ(span(triggered(s).codes[0]), 25);
  s.ch[0].voltDiv = 8;
  s.ch[0].probe = 1;  // x10: the same volts are ten times fewer codes
  EXPECT_EQ(span(triggered(s).codes[0]), 5);
  s.ch[0].probe = 0;
  s.ch[0].voltDiv = 0;  // 2 mV/div: far beyond the screen, clipped by the converter
  const Trace clipped = triggered(s).codes[0];
  EXPECT_EQ(*std::max_element(clipped.begin(), clipped.end()), 255);
}

TEST(Acquisition, PositionAndCouplingMoveTheTrace) {
  InstrumentSettings s;
  s.ch[0].position = 200;  // ground code 152
  s.triggerLevel = 175;    // code 177, the square's middle
  DisplayTraces t = triggered(s);
  EXPECT_EQ(*std::min_element(t.codes[0].begin(), t.codes[0].end()), 152);

  s.ch[0].coupling = 0;  // AC: +-1 V around ground
  s.triggerLevel = 200;  // code 152, the AC square's middle
  t = triggered(s);
  EXPECT_EQ(*std::min_element(t.codes[0].begin(), t.codes[0].end()), 127);
  EXPECT_EQ(*std::max_element(t.codes[0].begin(), t.codes[0].end()), 177);

  // CH2: 0.5 V + 0.8 V sine at 0.5 V/div (20 mV a code) around ground 77.
  t = triggered(s);
  const double hi = *std::max_element(t.ideal[1].begin(), t.ideal[1].end());
  EXPECT_NEAR(hi, 77 + 65, 0.5);
  s.ch[1].coupling = 2;  // GND
  t = triggered(s);
  EXPECT_EQ(span(t.codes[1]), 0);
  EXPECT_EQ(t.codes[1][0], 77);
}

TEST(Acquisition, TimeBaseSetsTheSamplesPerPeriod) {
  InstrumentSettings s;
  s.timeDiv = 16;  // 0.5 ms/div: 10 us a sample, 100 samples a period
  auto at = risingCrossings(triggered(s).codes[0], 202);
  ASSERT_GE(at.size(), 4u);
  EXPECT_EQ(at[1] - at[0], 100);
  s.timeDiv = 15;  // 0.2 ms/div: 250 samples a period
  s.triggerPosition = 56;
  at = risingCrossings(triggered(s).codes[0], 202);
  ASSERT_GE(at.size(), 2u);
  EXPECT_EQ(at[1] - at[0], 250);
  s.timeDiv = 2;  // 10 ns/div: the 1 us edge is a straight ramp across the screen
  const Trace edge = triggered(s).codes[0];
  EXPECT_TRUE(std::is_sorted(edge.begin(), edge.end()));
}

TEST(Acquisition, TriggerPointSitsAtTheTriggerPosition) {
  InstrumentSettings s;
  for (int column : {131, 56, 200}) {
    s.triggerPosition = column;
    const int at = 2 * (column - 6);
    const Trace t = triggered(s).codes[0];
    EXPECT_EQ(t[std::size_t(at - 1)], 177) << column;
    EXPECT_EQ(t[std::size_t(at + 1)], 227) << column;
  }
  s.triggerPosition = 131;
  s.triggerSlope = 1;
  Trace t = triggered(s).codes[0];
  EXPECT_EQ(t[249], 227);
  EXPECT_EQ(t[251], 177);
  // On CH2's sine the level is crossed upward at the trigger point.
  s.triggerSlope = 0;
  s.triggerSource = 1;
  s.triggerLevel = 250;  // code 102
  t = triggered(s).codes[1];
  EXPECT_LT(t[248], 102);
  EXPECT_GE(t[251], 102);
  // A level beyond the signal finds no trigger.
  s.triggerLevel = 125;
  EXPECT_FALSE(findTriggerTime(s));
  s.triggerSource = 2;
  EXPECT_FALSE(findTriggerTime(s));
}

TEST(Acquisition, HalfRateTimeBaseSendsTwoHundredFiftyPointHalves) {
  InstrumentSettings s;
  s.timeDiv = kHalfRateTimeDiv;
  DisplayTraces t = triggered(s, 0.6);
  for (int j = 0; j < 250; ++j) {
    ASSERT_EQ(t.codes[0][std::size_t(2 * j)], t.codes[0][std::size_t(2 * j + 1)]);
  }
  auto w = waveformSamples(s, t);
  EXPECT_EQ(w[10], t.codes[0][20]);
  EXPECT_EQ(w[510], t.codes[1][20]);
  EXPECT_TRUE(std::all_of(w.begin() + 250, w.begin() + 500, [](uint16_t v) { return v == 0; }));
  EXPECT_TRUE(std::all_of(w.begin() + 750, w.end(), [](uint16_t v) { return v == 0; }));

  // CH1 off: CH2 gets every point, even ones in the first half and odd ones in the second.
  s.ch[0].hidden = 1;
  s.triggerSource = 1;
  s.triggerLevel = 250;
  t = triggered(s, 0.6);
  w = waveformSamples(s, t);
  for (int j = 0; j < 250; ++j) {
    ASSERT_EQ(w[std::size_t(j)], t.codes[1][std::size_t(2 * j)]);
    ASSERT_EQ(w[std::size_t(500 + j)], t.codes[1][std::size_t(2 * j + 1)]);
  }
  s.ch[1].hidden = 1;
  w = waveformSamples(s, triggered(s, 0.6));
  EXPECT_TRUE(std::all_of(w.begin(), w.end(), [](uint16_t v) { return v == 0; }));
}

TEST(Acquisition, HiddenChannelSendsNothingButZeros) {
  InstrumentSettings s;
  s.ch[1].hidden = 1;
  const DisplayTraces t = triggered(s, 0.6);
  const auto w = waveformSamples(s, t);
  EXPECT_TRUE(std::all_of(w.begin() + 500, w.end(), [](uint16_t v) { return v == 0; }));
  EXPECT_TRUE(std::equal(w.begin(), w.begin() + 500, t.codes[0].begin()));
  EXPECT_GE(*std::max_element(w.begin(), w.begin() + 500), 226);
}

TEST(Acquisition, NoiseIsSeededAndAveragingQuietsIt) {
  InstrumentSettings s;
  s.ch[0].coupling = 2;
  auto spread = [](const Trace& t) { return span(t); };
  const DisplayTraces a = renderTraces(s, {0.0, 1, true}, 0.6);
  EXPECT_EQ(renderTraces(s, {0.0, 1, true}, 0.6).codes, a.codes);
  EXPECT_NE(renderTraces(s, {0.0, 2, true}, 0.6).codes, a.codes);
  EXPECT_GE(spread(a.codes[0]), 2);
  EXPECT_LE(spread(a.codes[0]), 6);
  s.averaging = 7;  // 128 acquisitions: a twelfth of the noise, below half a code
  EXPECT_EQ(spread(renderTraces(s, {0.0, 1, true}, 0.6).codes[0]), 0);
}

TEST(Acquisition, PeakDetectShowsTheEnvelopeAtSlowSweeps) {
  InstrumentSettings s;
  s.timeDiv = 24;  // 0.2 s/div: one sample every 4 ms aliases the 1 kHz square to a line
  const Trace plain = triggered(s).codes[0];
  EXPECT_EQ(span(plain), 0);
  s.peakDetect = 1;
  const Trace peak = triggered(s).codes[0];
  EXPECT_EQ(peak[100], 227);
  EXPECT_EQ(peak[101], 177);
}

TEST(Acquisition, LimitEnvelopeWrapsChannelOne) {
  InstrumentSettings s;
  const DisplayTraces t = triggered(s);
  const LimitEnvelope env = limitEnvelope(t);
  for (int i = 0; i < kTracePoints; ++i) {
    ASSERT_GE(env.upper[std::size_t(i)], t.codes[0][std::size_t(i)] + 10);
    ASSERT_LE(env.lower[std::size_t(i)], t.codes[0][std::size_t(i)] - 10);
  }
  EXPECT_EQ(env.upper[250 + 20], 237);  // on the high plateau
  EXPECT_EQ(env.lower[250 + 20], 217);
}

}  // namespace
}  // namespace corvane::sim
