#include "print/report_content.h"

#include <array>
#include <utility>

#include "scope/display_render.h"

namespace corvane {

ReportContent makeReportContent(const WaveformBlock& record, std::vector<std::string> notes,
                                std::string timeText) {
  ReportContent c;
  c.picture = renderRecordPicture(record, std::nullopt, CursorState{}.type);
  // The window's creation fills the texts from its own initial record first; a source outside
  // the table keeps the trigger level text that left behind.
  c.status = FillScopeInformation(record, FillScopeInformation(MakeNewWindowRecord()));
  WaveformBlock measured = record;
  c.measurements = MeasureChannels(measured, recordScales(measured));
  c.XYFormat = record.XYFormat();
  c.Ch1Probe = record.Ch1Probe();
  c.Ch2Probe = record.Ch2Probe();
  c.notes = std::move(notes);
  c.timeText = std::move(timeText);
  return c;
}

std::string selectedItemText(const std::vector<std::string>& items, int index) {
  if (index < 0 || std::size_t(index) >= items.size()) return {};
  return items[std::size_t(index)];
}

std::string probeName(int probeIndex) {
  static constexpr std::array<const char*, 4> kNames = {"X1", "X10", "X100", "X1000"};
  return probeIndex >= 0 && probeIndex < 4 ? kNames[std::size_t(probeIndex)] : kNames[0];
}

std::vector<ReportRow> scopeTableRows(const ReportContent& c) {
  using K = ReportRow::Kind;
  const ScopeInformation& s = c.status;
  const ChannelMeasurements& m1 = c.measurements.channel[0];
  const ChannelMeasurements& m2 = c.measurements.channel[1];
  return {
      {K::Heading, "Horizontal System Status", "", ""},
      {K::Text, "Timebase", selectedItemText(s.timeDivItems, s.timeDivSelection), ""},
      {K::Text, "Format", c.XYFormat != 0 ? "XY" : "YT", ""},
      {K::Rule, "", "", ""},
      {K::Heading, "Vertical System Status", "", ""},
      {K::Text, "", "CH1", "CH2"},
      {K::Text, "Volt/Div", selectedItemText(s.ch1VoltDivItems, s.ch1VoltDivSelection),
       selectedItemText(s.ch2VoltDivItems, s.ch2VoltDivSelection)},
      {K::Text, "Coupling", s.ch1Coupling, s.ch2Coupling},
      {K::Text, "Probe", probeName(c.Ch1Probe), probeName(c.Ch2Probe)},
      {K::Rule, "", "", ""},
      {K::Heading, "Trigger System Status", "", ""},
      {K::Text, "MODE", s.triggerMode, ""},
      {K::Text, "Source", s.triggerSource, ""},
      {K::Text, "Coupling", s.triggerCoupling, ""},
      {K::Text, "Slope", s.triggerSlope == "+" ? "Rising" : "Falling", ""},
      {K::Rule, "", "", ""},
      {K::Heading, "Parameter Information", "", ""},
      {K::Text, "", "CH1", "CH2"},
      {K::Text, "Peak To Peak", m1.pp, m2.pp},
      {K::Text, "RMS", m1.rms, m2.rms},
      {K::Text, "Mean", m1.mean, m2.mean},
      {K::Text, "Frequency", m1.freq, m2.freq},
      {K::Text, "Rise Time", m1.rise, m2.rise},
      {K::Text, "Fall Time", m1.fall, m2.fall},
      {K::Text, "Period", m1.period, m2.period},
      {K::Text, "Positive Width", m1.pwidth, m2.pwidth},
      {K::Text, "Negative Width", m1.nwidth, m2.nwidth},
      {K::ClosingRule, "", "", ""},
  };
}

}  // namespace corvane
