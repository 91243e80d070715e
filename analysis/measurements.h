// The nine automatic measurements per channel of a scope window, computed from its record.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "analysis/waveform_block.h"

namespace corvane {

// The nine quantities of a channel, in the order of the label columns.
enum class Quantity {
  kPeakToPeak,
  kRms,
  kMean,
  kFrequency,
  kRiseTime,
  kFallTime,
  kPeriod,
  kPositiveWidth,
  kNegativeWidth
};

// Label texts of one channel, exactly as shown ("2.0V", "250.00Hz", "???").
struct ChannelMeasurements {
  std::string pp = "???";      // CPPCHn
  std::string rms = "???";     // CRMSCHn
  std::string mean = "???";    // CMEANCHn
  std::string freq = "???";    // CFREQCHn
  std::string rise = "???";    // CRISECHn
  std::string fall = "???";    // CFALLCHn
  std::string period = "???";  // CPERIODCHn
  std::string pwidth = "???";  // CWIDPCHn
  std::string nwidth = "???";  // CWIDMCHn

  const std::string& text(Quantity q) const;  // the label of a quantity
  bool operator==(const ChannelMeasurements&) const = default;
};

inline constexpr int kQuantityCount = 9;
inline constexpr int kMeasurementCount = 2 * kQuantityCount;

// Position of a channel's quantity among the 18: CH1's nine, then CH2's.
constexpr int measurementIndex(int ch, Quantity q) {
  return ch * kQuantityCount + static_cast<int>(q);
}
constexpr Quantity quantityAt(int index) {
  return static_cast<Quantity>(index % kQuantityCount);
}

// The numbers behind the 18 labels in SI units (V, Hz, s), empty where the label reads "???".
using MeasuredValues = std::array<std::optional<double>, kMeasurementCount>;

struct Measurements {
  std::array<ChannelMeasurements, 2> channel;  // [0] = CH1, [1] = CH2
  MeasuredValues values;                       // from the same pass as the texts
};

std::string_view quantityName(Quantity q);  // "Peak-to-peak", "Frequency", ...
std::string_view quantityUnit(Quantity q);  // "V", "Hz" or "s"

// The display scales the pass reads: the selected CH1 and CH2 volts per division and time base.
struct DisplayScales {
  int ch1VoltDivIndex = 0;
  int ch2VoltDivIndex = 0;
  int timeDivIndex = 0;

  bool operator==(const DisplayScales&) const = default;
};

// The scales a window shows right after a record arrives: the record's own indices.
DisplayScales recordScales(const WaveformBlock& block);

// Sets PointValid 0..499 to 1, then measures both channels. A display scale outside its table
// leaves the quantities that need it at "???"; a probe byte outside 0..3 counts as x1.
Measurements MeasureChannels(WaveformBlock& block, const DisplayScales& scales);

// An SI value of a quantity of channel `ch` in the text format of its label at these scales
// (unit and digits), for figures derived from the values such as a mean or a spread.
std::string measurementText(Quantity q, int ch, double si, const DisplayScales& scales);

}  // namespace corvane
