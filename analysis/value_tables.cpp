#include "analysis/value_tables.h"

#include <array>
#include <cmath>

namespace corvane {
namespace {

template <typename T, std::size_t N>
std::optional<T> at(const std::array<T, N>& table, int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= N) return std::nullopt;
  return table[static_cast<std::size_t>(index)];
}

template <std::size_t N>
std::string_view textAt(const std::array<std::string_view, N>& table, int index) {
  return at(table, index).value_or(kUnknownText);
}

constexpr std::array<std::string_view, 20> kProbeScaledTexts = {
    "2 mV", "5 mV", "10 mV", "20 mV", "50 mV", "0.1 V", "0.2 V", "0.5 V",  "1 V",    "2 V",
    "5 V",  "10 V", "20 V",  "50 V",  "100 V", "200 V", "500 V", "1000 V", "2000 V", "5000 V"};
constexpr std::array<double, 11> kMvPerDiv = {2, 5, 10, 20, 50, 100, 200, 500, 1000, 2000, 5000};
constexpr std::array<double, 11> kMvPerCode = {0.08, 0.2, 0.4, 0.8, 2, 4, 8, 20, 40, 80, 200};
constexpr std::array<double, 11> kVoltDivNumber = {2, 5, 10, 20, 50, 0.1, 0.2, 0.5, 1, 2, 5};
constexpr std::array<double, 4> kProbeFactor = {1, 10, 100, 1000};

constexpr std::array<std::string_view, 29> kTimeDivTexts = {
    "2 ns",  "5 ns",  "10 ns", "20 ns", "50 ns",  "0.1 us", "0.25 us", "0.5 us", "1 us", "2 us",
    "5 us",  "10 us", "20 us", "50 us", "0.1 ms", "0.2 ms", "0.5 ms",  "1 ms",   "2 ms", "5 ms",
    "10 ms", "20 ms", "50 ms", "0.1 s", "0.2 s",  "0.5 s",  "1 s",     "2 s",    "5 s"};
constexpr std::array<double, 29> kTimeDivValue = {2,  5,  10, 20,  50,  0.1, 0.25, 0.5, 1, 2,
                                                  5,  10, 20, 50,  0.1, 0.2, 0.5,  1,   2, 5,
                                                  10, 20, 50, 0.1, 0.2, 0.5, 1,    2,   5};
// Time per sample in the index's own unit, written out rather than divided so that the values
// are the exact decimal constants (0.02 ms, 0.005 us) the readouts are computed from.
constexpr std::array<double, 29> kTimePerSample = {
    0.04,  0.1,  0.2,  0.4,  1,   0.002, 0.005, 0.01, 0.02,  0.04,  0.1,  0.2,  0.4,  1,  0.002,
    0.004, 0.01, 0.02, 0.04, 0.1, 0.2,   0.4,   1,    0.002, 0.004, 0.01, 0.02, 0.04, 0.1};

constexpr std::array<std::string_view, 3> kCoupling = {"AC", "DC", "GND"};
constexpr std::array<std::string_view, 5> kTriggerMode = {"Auto", "Norm", "Single", "TV-V", "TV-H"};
constexpr std::array<std::string_view, 4> kTriggerSource = {"CH1", "CH2", "EXT", "LINE"};
constexpr std::array<std::string_view, 4> kTriggerCoupling = {"AC", "DC", "LFr", "HFr"};
constexpr std::array<std::string_view, 2> kTriggerSlope = {"+", "-"};
constexpr std::array<std::string_view, 2> kTvSync = {"Field", "Line"};

}  // namespace

std::string_view voltDivText(int index) {
  return index >= 0 && index < kVoltDivCount ? kProbeScaledTexts[std::size_t(index)] : kUnknownText;
}
std::optional<double> millivoltsPerDivision(int index) {
  return at(kMvPerDiv, index);
}
std::optional<double> millivoltsPerCode(int index) {
  return at(kMvPerCode, index);
}
std::optional<double> voltDivNumber(int index) {
  return at(kVoltDivNumber, index);
}

std::optional<VoltageUnit> voltageUnit(int index) {
  if (index < 0 || index >= kVoltDivCount) return std::nullopt;
  if (index / 5 == 0) return VoltageUnit{1.0, "mV"};
  return VoltageUnit{1000.0, "V"};
}

std::string_view probeScaledText(int position) {
  return textAt(kProbeScaledTexts, position);
}

std::string_view probeScaledVoltDivText(int probeIndex, int voltDivIndex) {
  if (probeIndex < 0 || probeIndex >= kProbeCount) return kUnknownText;
  if (voltDivIndex < 0 || voltDivIndex >= kVoltDivCount) return kUnknownText;
  return kProbeScaledTexts[std::size_t(3 * probeIndex + voltDivIndex)];
}

std::optional<double> probeFactor(int probeIndex) {
  return at(kProbeFactor, probeIndex);
}

std::string_view timeDivText(int index) {
  return textAt(kTimeDivTexts, index);
}

std::optional<TimeUnit> timeUnit(int index) {
  if (index < 0 || index >= kTimeDivCount) return std::nullopt;
  if (index <= 4) return TimeUnit{1e-9, "ns"};
  if (index <= 13) return TimeUnit{1e-6, "us"};
  if (index <= 22) return TimeUnit{1e-3, "ms"};
  return TimeUnit{1.0, "s"};
}

std::optional<double> timeDivValue(int index) {
  return at(kTimeDivValue, index);
}
std::optional<double> timePerSample(int index) {
  return at(kTimePerSample, index);
}

std::optional<double> secondsPerDivision(int index) {
  auto v = timeDivValue(index);
  auto u = timeUnit(index);
  if (!v || !u) return std::nullopt;
  return *v * u->seconds;
}

std::string_view couplingText(int v) {
  return textAt(kCoupling, v);
}
std::string_view triggerModeText(int v) {
  return textAt(kTriggerMode, v);
}
std::string_view triggerSourceText(int v) {
  return textAt(kTriggerSource, v);
}
std::string_view triggerCouplingText(int v) {
  return textAt(kTriggerCoupling, v);
}
std::string_view triggerSlopeText(int v) {
  return textAt(kTriggerSlope, v);
}
std::string_view tvSyncText(int v) {
  return textAt(kTvSync, v);
}

int64_t roundHalfEven(double v) {
  if (!std::isfinite(v)) return 0;
  if (v > 9.2e18) return INT64_MAX;
  if (v < -9.2e18) return INT64_MIN;
  return static_cast<int64_t>(std::nearbyint(v));  // default rounding mode: to nearest, ties even
}

int clampedGroundCode(int positionRows) {
  if (positionRows <= 97) return 255;
  if (positionRows > 352) return 0;
  return 352 - positionRows;
}

std::optional<double> channelMillivoltsPerCode(const WaveformBlock& b, int ch) {
  auto k = millivoltsPerCode(b.voltDivIndex(ch));
  auto p = probeFactor(b.probe(ch));
  if (!k || !p) return std::nullopt;
  return *k * *p;
}

std::optional<double> sampleMillivolts(const WaveformBlock& b, int ch, int i) {
  auto k = channelMillivoltsPerCode(b, ch);
  if (!k) return std::nullopt;
  return (static_cast<int>(b.sample(ch, i)) - groundCode(b.position(ch))) * *k;
}

std::optional<double> sampleSeconds(const WaveformBlock& b, int i) {
  auto perDiv = secondsPerDivision(b.TimeDivIndex());
  if (!perDiv) return std::nullopt;
  return i * (*perDiv / 50.0);
}

int extTriggerLevelToRow(int level) {
  return 125 + static_cast<int>(roundHalfEven(0.2 * level));
}

}  // namespace corvane
