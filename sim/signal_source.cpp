#include "sim/signal_source.h"

#include <cmath>
#include <numbers>

namespace corvane::sim {
namespace {

double phaseIn(double t, double period) {
  return t - std::floor(t / period) * period;
}

}  // namespace

double SignalSource::volts(int ch, double t) {
  if (ch == 0) {
    const double period = 1.0 / kSquareFrequency;
    const double half = period / 2;
    const double p = phaseIn(t, period);
    if (p < kSquareEdge) return kSquareHigh * p / kSquareEdge;
    if (p < half) return kSquareHigh;
    if (p < half + kSquareEdge) return kSquareHigh * (1.0 - (p - half) / kSquareEdge);
    return 0.0;
  }
  return kSineOffset + kSineAmplitude * std::sin(2 * std::numbers::pi * kSineFrequency *
                                                 phaseIn(t, 1.0 / kSineFrequency));
}

double SignalSource::meanVolts(int ch) {
  return ch == 0 ? kSquareHigh / 2 : kSineOffset;
}
double SignalSource::minVolts(int ch) {
  return ch == 0 ? 0.0 : kSineOffset - kSineAmplitude;
}
double SignalSource::maxVolts(int ch) {
  return ch == 0 ? kSquareHigh : kSineOffset + kSineAmplitude;
}

double SignalSource::coupledVolts(int ch, int coupling, double t) {
  switch (coupling) {
    case 0:
      return volts(ch, t) - meanVolts(ch);
    case 2:
      return 0.0;
    default:
      return volts(ch, t);
  }
}

}  // namespace corvane::sim
