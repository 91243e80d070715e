// Value tables that give the record's settings bytes their meaning, and the conversions every
// reader uses. Every lookup is checked: an index outside its table yields std::nullopt or the
// text "???", never a read outside the table.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "analysis/waveform_block.h"

namespace corvane {

inline constexpr std::string_view kUnknownText = "???";
inline constexpr int kVoltDivCount = 11;
inline constexpr int kTimeDivCount = 29;
inline constexpr int kProbeCount = 4;

// Volts/division at probe x1: text, millivolts per division, millivolts per code.
std::string_view voltDivText(int index);                 // "2 mV" .. "5 V"
std::optional<double> millivoltsPerDivision(int index);  // 2 .. 5000
std::optional<double> millivoltsPerCode(int index);      // 0.08 .. 200
// The number in the x1 text: 2, 5, 10, 20, 50 (mV) for 0..4; 0.1 .. 5 (V) for 5..10.
std::optional<double> voltDivNumber(int index);

// Readout unit of a voltage on a channel at this volts/division index: index / 5 selects
// (1, "mV"), (1000, "V"), (1000, "V"). A probe never changes the unit.
struct VoltageUnit {
  double divisor;
  std::string_view text;
};
std::optional<VoltageUnit> voltageUnit(int index);

// The 20 probe-scaled texts "2 mV" .. "5000 V"; a channel with probe p shows positions 3p .. 3p+10.
std::string_view probeScaledText(int position);
std::string_view probeScaledVoltDivText(int probeIndex, int voltDivIndex);
std::optional<double> probeFactor(int probeIndex);  // 1, 10, 100, 1000

// Time/division, index 0..28.
std::string_view timeDivText(int index);  // "2 ns" .. "5 s"
struct TimeUnit {
  double seconds;         // 1e-9, 1e-6, 1e-3, 1
  std::string_view text;  // "ns", "us", "ms", "s"
};
std::optional<TimeUnit> timeUnit(int index);
std::optional<double> timeDivValue(int index);   // in its own unit: 2, 5, 10, ... 0.25 at 6
std::optional<double> timePerSample(int index);  // time/division / 50, in its own unit
std::optional<double> secondsPerDivision(int index);

// Setting texts.
std::string_view couplingText(int v);         // "AC" "DC" "GND"
std::string_view triggerModeText(int v);      // "Auto" "Norm" "Single" "TV-V" "TV-H"
std::string_view triggerSourceText(int v);    // "CH1" "CH2" "EXT" "LINE"
std::string_view triggerCouplingText(int v);  // "AC" "DC" "LFr" "HFr"
std::string_view triggerSlopeText(int v);     // "+" "-"
std::string_view tvSyncText(int v);           // "Field" "Line"

// Nearest integer, halves to the even neighbour.
int64_t roundHalfEven(double v);

// Ground code (sample code of 0 V) of a channel: 352 - position.
inline int groundCode(int positionRows) {
  return 352 - positionRows;
}
// The same clamped to 0..255, as measurements use it.
int clampedGroundCode(int positionRows);

// Millivolts per code of a channel, probe included.
std::optional<double> channelMillivoltsPerCode(const WaveformBlock& b, int ch);
// Value of sample i of a channel in millivolts (unclamped ground code).
std::optional<double> sampleMillivolts(const WaveformBlock& b, int ch, int i);
// Time of sample i after the left edge, in seconds.
std::optional<double> sampleSeconds(const WaveformBlock& b, int i);

// The window's trigger-level row for an EXT level on the 0..1000 scale: 125 + nearest(0.2 x level).
int extTriggerLevelToRow(int level);

}  // namespace corvane
