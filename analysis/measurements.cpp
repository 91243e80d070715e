#include "analysis/measurements.h"

#include <cmath>
#include <cstdio>
#include <optional>

#include "analysis/value_tables.h"

namespace corvane {
namespace {

// Fixed point with `decimals` decimals and the unit directly behind. A value that rounds to zero
// is written without a minus sign: "-0.000V" would only confuse the reader.
std::string fixed(double v, int decimals, std::string_view unit) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  std::string s = buf;
  if (s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
  s += unit;
  return s;
}

struct Channel {
  std::array<int, kPointCount> v{};
  int min = 5000;
  int max = -5000;
  double mid = 0, hi = 0, lo = 0;
  int crossings = 0;
  std::array<int, 3> c{};
  std::array<int, 3> direction{};  // state switched to at each crossing
};

Channel prepare(const WaveformBlock& b, int ch) {
  Channel c;
  int g = clampedGroundCode(b.position(ch));
  for (int i = 0; i < kPointCount; ++i) {
    c.v[std::size_t(i)] = static_cast<int>(b.sample(ch, i)) - g;
    if (b.PointValid(i) == 1) {
      c.min = std::min(c.min, c.v[std::size_t(i)]);
      c.max = std::max(c.max, c.v[std::size_t(i)]);
    }
  }
  c.mid = (c.max + c.min) * 0.5;
  c.hi = c.mid + (c.max - c.mid) * 0.8;
  c.lo = c.mid - (c.mid - c.min) * 0.8;
  int state = c.v[0] >= c.mid ? 1 : -1;
  for (int i = 1; i < kPointCount && c.crossings < 3; ++i) {
    if (b.PointValid(i) != 1) continue;
    double x = c.v[std::size_t(i)];
    int next = state;
    if (state == 1 && x < c.mid) next = -1;
    if (state == -1 && x > c.mid) next = 1;
    if (next != state) {
      c.c[std::size_t(c.crossings)] = i;
      c.direction[std::size_t(c.crossings)] = next;
      ++c.crossings;
      state = next;
    }
  }
  return c;
}

// Index pair of the rise: a is the last sample below 10 % before the first sample above 90 %
// that follows it; 0 stands for none found, so an edge starting at sample 0 has no rise.
std::optional<int> riseSamples(const WaveformBlock& b, const Channel& c) {
  int a = 0, bb = 0;
  for (int i = 0; i < kPointCount; ++i) {
    if (b.PointValid(i) != 1) continue;
    double x = c.v[std::size_t(i)];
    if (x < c.lo && bb == 0) a = i;
    if (x > c.hi && a != 0 && bb == 0) bb = i;
  }
  if (a != 0 && bb != 0) return bb - a;
  return std::nullopt;
}

std::optional<int> fallSamples(const WaveformBlock& b, const Channel& c) {
  int a = 0, bb = 0;
  for (int i = 0; i < kPointCount; ++i) {
    if (b.PointValid(i) != 1) continue;
    double x = c.v[std::size_t(i)];
    if (x < c.lo && bb != 0 && a == 0) a = i;
    if (x > c.hi && a == 0) bb = i;
  }
  if (a != 0 && bb != 0) return a - bb;
  return std::nullopt;
}

std::string frequencyText(double f) {
  if (f > 1000000.0) return fixed(f * 1e-6, 2, "MHz");
  if (f > 1000.0) return fixed(f * 0.001, 2, "KHz");
  return fixed(f, 2, "Hz");
}

void measureChannel(const WaveformBlock& b, int ch, const Channel& c, int voltIndex, int timeIndex,
                    Measurements& m) {
  ChannelMeasurements& out = m.channel[std::size_t(ch)];
  out = ChannelMeasurements{};
  auto value = [&](Quantity q) -> std::optional<double>& {
    return m.values[std::size_t(measurementIndex(ch, q))];
  };
  for (int q = 0; q < kQuantityCount; ++q) value(Quantity(q)).reset();
  if (b.hidden(ch) != 0) return;

  auto k = millivoltsPerCode(voltIndex);
  auto unit = voltageUnit(voltIndex);
  double p = probeFactor(b.probe(ch)).value_or(1.0);
  auto ts = timePerSample(timeIndex);
  auto tu = timeUnit(timeIndex);

  if (k && unit) {
    double mv = std::abs(c.max - c.min) * p * *k;
    out.pp = fixed(mv / unit->divisor, 1, unit->text);
    value(Quantity::kPeakToPeak) = mv * 0.001;
  }

  auto showTime = [&](std::optional<int> samples, std::string& label, Quantity q) {
    if (samples && ts && tu) {
      label = fixed(*samples * *ts, 2, tu->text);
      value(q) = *samples * *ts * tu->seconds;
    }
  };
  if (c.crossings < 2) {
    showTime(riseSamples(b, c), out.rise, Quantity::kRiseTime);
    showTime(fallSamples(b, c), out.fall, Quantity::kFallTime);
    return;
  }
  if (c.crossings == 2) return;

  int c0 = c.c[0], c1 = c.c[1], c2 = c.c[2];
  if (k && unit) {
    double sum = 0, squares = 0;
    int n = 0;
    for (int i = c0; i < c2; ++i) {
      if (b.PointValid(i) != 1) continue;
      double x = c.v[std::size_t(i)] * *k * p / unit->divisor;
      sum += x;
      squares += x * x;
      ++n;
    }
    if (n > 0) {
      out.mean = fixed(sum / n, 3, unit->text);
      out.rms = fixed(std::sqrt(squares / n), 1, unit->text);
      const double toVolts = unit->divisor * 0.001;
      value(Quantity::kMean) = sum / n * toVolts;
      value(Quantity::kRms) = std::sqrt(squares / n) * toVolts;
    }
  }
  if (ts && tu) {
    int d = c2 - c0;
    double f = 1.0 / (*ts * tu->seconds * d);
    out.freq = frequencyText(f);
    value(Quantity::kFrequency) = f;
    out.period = fixed(*ts * d, 2, tu->text);
    value(Quantity::kPeriod) = *ts * d * tu->seconds;
    // The interval that starts at a rising crossing is the high part of the period.
    bool risingFirst = c.direction[0] == 1;
    std::string first = fixed((c1 - c0) * *ts, 2, tu->text);
    std::string second = fixed((c2 - c1) * *ts, 2, tu->text);
    double firstSeconds = (c1 - c0) * *ts * tu->seconds;
    double secondSeconds = (c2 - c1) * *ts * tu->seconds;
    out.pwidth = risingFirst ? first : second;
    out.nwidth = risingFirst ? second : first;
    value(Quantity::kPositiveWidth) = risingFirst ? firstSeconds : secondSeconds;
    value(Quantity::kNegativeWidth) = risingFirst ? secondSeconds : firstSeconds;
  }
  showTime(riseSamples(b, c), out.rise, Quantity::kRiseTime);
  showTime(fallSamples(b, c), out.fall, Quantity::kFallTime);
}

}  // namespace

DisplayScales recordScales(const WaveformBlock& block) {
  return {block.Ch1VoltDivIndex(), block.Ch2VoltDivIndex(), block.TimeDivIndex()};
}

Measurements MeasureChannels(WaveformBlock& block, const DisplayScales& scales) {
  for (int i = 0; i < kPointCount; ++i) block.setPointValid(i, 1);
  Measurements m;
  std::array<Channel, 2> prepared = {prepare(block, 0), prepare(block, 1)};
  measureChannel(block, 0, prepared[0], scales.ch1VoltDivIndex, scales.timeDivIndex, m);
  measureChannel(block, 1, prepared[1], scales.ch2VoltDivIndex, scales.timeDivIndex, m);
  return m;
}

const std::string& ChannelMeasurements::text(Quantity q) const {
  static constexpr std::array<std::string ChannelMeasurements::*, kQuantityCount> kTexts = {
      &ChannelMeasurements::pp,     &ChannelMeasurements::rms,    &ChannelMeasurements::mean,
      &ChannelMeasurements::freq,   &ChannelMeasurements::rise,   &ChannelMeasurements::fall,
      &ChannelMeasurements::period, &ChannelMeasurements::pwidth, &ChannelMeasurements::nwidth};
  return this->*kTexts[std::size_t(q) % kTexts.size()];
}

std::string_view quantityName(Quantity q) {
  static constexpr std::array<std::string_view, kQuantityCount> kNames = {
      "Peak-to-peak", "RMS",    "Mean",           "Frequency",     "Rise time",
      "Fall time",    "Period", "Positive width", "Negative width"};
  return kNames[std::size_t(q) % kNames.size()];
}

std::string_view quantityUnit(Quantity q) {
  switch (q) {
    case Quantity::kPeakToPeak:
    case Quantity::kRms:
    case Quantity::kMean:
      return "V";
    case Quantity::kFrequency:
      return "Hz";
    default:
      return "s";
  }
}

std::string measurementText(Quantity q, int ch, double si, const DisplayScales& scales) {
  if (q == Quantity::kFrequency) return frequencyText(si);
  if (quantityUnit(q) == "V") {
    auto unit = voltageUnit(ch == 0 ? scales.ch1VoltDivIndex : scales.ch2VoltDivIndex);
    if (!unit) return std::string(kUnknownText);
    return fixed(si * 1000.0 / unit->divisor, q == Quantity::kMean ? 3 : 1, unit->text);
  }
  auto tu = timeUnit(scales.timeDivIndex);
  if (!tu) return std::string(kUnknownText);
  return fixed(si / tu->seconds, 2, tu->text);
}

}  // namespace corvane
