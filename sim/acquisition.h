// One acquisition of both channels: where the trigger fell, and the 500-point traces in screen
// codes (code = ground code + volts / volts per code, clipped to the converter's 0..255) that the
// instrument shows and sends.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "sim/instrument_settings.h"

namespace corvane::sim {

inline constexpr int kTracePoints = 500;
inline constexpr int kMaxCode = 255;
inline constexpr int kWaveformHalf = 500;
// Time/division index 6 (0.25 us/div): each channel holds 250 points, or 500 interleaved points
// when the other channel is off.
inline constexpr int kHalfRateTimeDiv = 6;

using Trace = std::array<uint16_t, kTracePoints>;

struct AcquisitionInstant {
  double triggerTime = 0.0;  // seconds, taken within the signals' 20 ms line period
  uint64_t noiseSeed = 0;
  bool triggered = true;
};

struct DisplayTraces {
  std::array<Trace, 2> codes{};                             // a hidden channel reads 0
  std::array<std::array<double, kTracePoints>, 2> ideal{};  // noise-free, unclipped codes
};

// Volts per code of a channel, probe factor included.
double voltsPerCode(const ChannelSettings& c);
// Noise-free screen code of channel ch at time t.
double channelCode(const InstrumentSettings& s, int ch, double t);
// Seconds between two samples of the 500-point record at the current time base.
double sampleInterval(const InstrumentSettings& s);

// Where in the signals' period the trigger condition holds (seconds), or nothing when the level
// is beyond the source signal or the source (EXT, a TV trigger) carries no signal.
std::optional<double> findTriggerTime(const InstrumentSettings& s);

// noiseCodes: standard deviation of a sample's noise, in codes, before averaging.
inline constexpr double kDefaultNoiseCodes = 0.6;
DisplayTraces renderTraces(const InstrumentSettings& s, const AcquisitionInstant& a,
                           double noiseCodes = kDefaultNoiseCodes);

// The 1,000 samples of reply 203: CH1's half then CH2's. At time/division index 6 each half
// carries 250 points (rest 0); with one channel off, that channel's even points fill the first
// half and its odd points the second.
std::array<uint16_t, 2 * kWaveformHalf> waveformSamples(const InstrumentSettings& s,
                                                        const DisplayTraces& t);

// Go/no-go envelope: CH1's noise-free trace widened by two samples either side and 10 codes
// (0.4 div) up and down.
struct LimitEnvelope {
  Trace upper{};
  Trace lower{};
};
LimitEnvelope limitEnvelope(const DisplayTraces& t);

}  // namespace corvane::sim
