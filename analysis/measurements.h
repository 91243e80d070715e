// The nine automatic measurements per channel of a scope window, computed from its record.
#pragma once

#include <array>
#include <string>

#include "analysis/waveform_block.h"

namespace corvane {

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

  bool operator==(const ChannelMeasurements&) const = default;
};

struct Measurements {
  std::array<ChannelMeasurements, 2> channel;  // [0] = CH1, [1] = CH2
};

// The display scales the pass reads: the selected CH1 and CH2 volts per division and time base.
struct DisplayScales {
  int ch1VoltDivIndex = 0;
  int ch2VoltDivIndex = 0;
  int timeDivIndex = 0;
};

// The scales a window shows right after a record arrives: the record's own indices.
DisplayScales recordScales(const WaveformBlock& block);

// Sets PointValid 0..499 to 1, then measures both channels. A display scale outside its table
// leaves the quantities that need it at "???"; a probe byte outside 0..3 counts as x1.
Measurements MeasureChannels(WaveformBlock& block, const DisplayScales& scales);

}  // namespace corvane
