#include "sim/acquisition.h"

#include <algorithm>
#include <cmath>

#include "analysis/value_tables.h"
#include "sim/signal_source.h"
#include "sim/split_mix64.h"

namespace corvane::sim {
namespace {

constexpr double kLinePeriod = 0.02;
constexpr int kTriggerScanSteps = 4000;  // 0.25 us steps: four inside each square edge
constexpr int kPeakSubsamples = 37;
constexpr double kPeakDetectFrom = 1e-6;  // sample intervals above this show the envelope
constexpr int kLimitMargin = 10;

uint16_t clipCode(double code) {
  const double r = std::nearbyint(code);
  if (!(r > 0)) return 0;
  if (r > kMaxCode) return kMaxCode;
  return static_cast<uint16_t>(r);
}

}  // namespace

double voltsPerCode(const ChannelSettings& c) {
  const double mv = millivoltsPerCode(c.voltDiv).value_or(40.0);
  const double probe = probeFactor(c.probe).value_or(1.0);
  return mv * probe / 1000.0;
}

double channelCode(const InstrumentSettings& s, int ch, double t) {
  const ChannelSettings& c = s.ch[std::size_t(ch)];
  return groundCode(c.position) + SignalSource::coupledVolts(ch, c.coupling, t) / voltsPerCode(c);
}

double sampleInterval(const InstrumentSettings& s) {
  return secondsPerDivision(s.timeDiv).value_or(5e-4) / 50.0;
}

std::optional<double> findTriggerTime(const InstrumentSettings& s) {
  if (s.triggerType != 0 || s.triggerSource == 2) return std::nullopt;
  if (s.triggerSource == 3) return s.triggerSlope == 0 ? 0.0 : kLinePeriod / 2;
  const int ch = s.triggerSource;
  // The level is a row measured from the screen centre: row 225 is code 127.
  const double level = 352.0 - s.triggerLevel;
  const bool rising = s.triggerSlope == 0;
  auto crossed = [&](double before, double after) {
    return rising ? (before < level && after >= level) : (before > level && after <= level);
  };
  const double step = SignalSource::kCommonPeriod / kTriggerScanSteps;
  double prev = channelCode(s, ch, -step);
  for (int k = 0; k < kTriggerScanSteps; ++k) {
    const double t = k * step;
    const double cur = channelCode(s, ch, t);
    if (crossed(prev, cur)) {
      double lo = t - step, hi = t;
      for (int i = 0; i < 48; ++i) {
        const double mid = (lo + hi) / 2;
        if (crossed(channelCode(s, ch, lo), channelCode(s, ch, mid))) {
          hi = mid;
        } else {
          lo = mid;
        }
      }
      return hi < 0 ? hi + SignalSource::kCommonPeriod : hi;
    }
    prev = cur;
  }
  return std::nullopt;
}

DisplayTraces renderTraces(const InstrumentSettings& s, const AcquisitionInstant& a,
                           double noiseCodes) {
  DisplayTraces out;
  const double dt = sampleInterval(s);
  const int triggerIndex = 2 * (s.triggerPosition - kLeftColumn);
  const bool bothShown = s.ch[0].hidden == 0 && s.ch[1].hidden == 0;
  // At 0.25 us/div two channels share the converter: 250 points each, every one shown twice.
  const int stride = (s.timeDiv == kHalfRateTimeDiv && bothShown) ? 2 : 1;
  const bool peak = s.peakDetect != 0 && dt > kPeakDetectFrom;
  const double sigma = noiseCodes / std::sqrt(std::ldexp(1.0, s.averaging));
  SplitMix64 noise(a.noiseSeed);

  for (int ch = 0; ch < 2; ++ch) {
    auto& ideal = out.ideal[std::size_t(ch)];
    auto& codes = out.codes[std::size_t(ch)];
    for (int i = 0; i < kTracePoints; i += stride) {
      const double t = a.triggerTime + (i - triggerIndex) * dt;
      double v;
      if (peak) {
        // Even samples keep the interval's highest value, odd ones its lowest.
        v = channelCode(s, ch, t);
        for (int k = 0; k < kPeakSubsamples; ++k) {
          const double c = channelCode(s, ch, t + dt * (k + 0.5) / kPeakSubsamples - dt / 2);
          v = (i % 2 == 0) ? std::max(v, c) : std::min(v, c);
        }
      } else {
        v = channelCode(s, ch, t);
      }
      const double n = sigma * noise.gaussian();
      for (int j = i; j < i + stride && j < kTracePoints; ++j) {
        ideal[std::size_t(j)] = v;
        codes[std::size_t(j)] = s.ch[std::size_t(ch)].hidden ? 0 : clipCode(v + n);
      }
    }
  }
  return out;
}

std::array<uint16_t, 2 * kWaveformHalf> waveformSamples(const InstrumentSettings& s,
                                                        const DisplayTraces& t) {
  std::array<uint16_t, 2 * kWaveformHalf> out{};
  const bool shown1 = s.ch[0].hidden == 0;
  const bool shown2 = s.ch[1].hidden == 0;
  if (s.timeDiv != kHalfRateTimeDiv) {
    std::copy(t.codes[0].begin(), t.codes[0].end(), out.begin());
    std::copy(t.codes[1].begin(), t.codes[1].end(), out.begin() + kWaveformHalf);
    return out;
  }
  constexpr int kHalfRatePoints = kTracePoints / 2;
  for (int j = 0; j < kHalfRatePoints; ++j) {
    const auto e = std::size_t(2 * j), o = e + 1, k = std::size_t(j);
    if (shown1 && shown2) {
      out[k] = t.codes[0][e];
      out[kWaveformHalf + k] = t.codes[1][e];
    } else if (shown1 || shown2) {
      const Trace& only = t.codes[shown1 ? 0 : 1];
      out[k] = only[e];
      out[kWaveformHalf + k] = only[o];
    }
  }
  return out;
}

LimitEnvelope limitEnvelope(const DisplayTraces& t) {
  LimitEnvelope env;
  const auto& ideal = t.ideal[0];
  for (int i = 0; i < kTracePoints; ++i) {
    double hi = ideal[std::size_t(i)], lo = hi;
    for (int j = std::max(0, i - 2); j <= std::min(kTracePoints - 1, i + 2); ++j) {
      hi = std::max(hi, ideal[std::size_t(j)]);
      lo = std::min(lo, ideal[std::size_t(j)]);
    }
    env.upper[std::size_t(i)] = clipCode(hi + kLimitMargin);
    env.lower[std::size_t(i)] = clipCode(lo - kLimitMargin);
  }
  return env;
}

}  // namespace corvane::sim
