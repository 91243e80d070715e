// The command codes and small helpers the simulated instrument's source files share.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <utility>

#include "sim/reply_frame.h"
#include "sim/signal_source.h"

namespace corvane::sim::detail {

inline constexpr uint16_t kVariantQuery = 171;
inline constexpr uint16_t kTimeDivQuery = 31;  // answered like 32, the reply to command 33
inline constexpr uint16_t kDataRequest = 200;
inline constexpr uint16_t kScreenRequest = 166;
inline constexpr uint16_t kAction = 174;
inline constexpr uint16_t kActionReply = 173;
inline constexpr uint16_t kLevelTo50 = 238;
inline constexpr uint16_t kAutoSet = 190;
inline constexpr uint16_t kRunStop = 188;
inline constexpr uint16_t kFftExecute = 145;
inline constexpr int kExtLevelCentre = 500;

inline std::string code4(uint16_t code) {
  return zeroPadded(code, 4);
}

inline bool channelSource(int source) {
  return source == 0 || source == 1;
}

// Range of a channel's signal after its coupling, in volts.
inline std::pair<double, double> coupledRange(int ch, int coupling) {
  if (coupling == 2) return {0.0, 0.0};
  const double shift = coupling == 0 ? SignalSource::meanVolts(ch) : 0.0;
  return {SignalSource::minVolts(ch) - shift, SignalSource::maxVolts(ch) - shift};
}

inline int roundToInt(double v) {
  return static_cast<int>(std::lround(v));
}

}  // namespace corvane::sim::detail
