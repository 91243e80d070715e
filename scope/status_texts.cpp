#include "scope/status_texts.h"

#include <algorithm>
#include <cstdio>

#include "analysis/value_tables.h"

namespace corvane {
namespace {

int probeOrX1(int probeIndex) {
  return probeIndex >= 0 && probeIndex < kProbeCount ? probeIndex : 0;
}

std::vector<std::string> voltDivItems(int probeIndex) {
  std::vector<std::string> items;
  for (int i = 0; i < kVoltDivCount; ++i)
    items.emplace_back(probeScaledVoltDivText(probeOrX1(probeIndex), i));
  return items;
}

std::string itemAt(const std::vector<std::string>& items, int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= items.size())
    return std::string(kUnknownText);
  return items[std::size_t(index)];
}

int selectable(const std::vector<std::string>& items, int index) {
  return index >= 0 && static_cast<std::size_t>(index) < items.size() ? index : -1;
}

std::string format(const char* pattern, double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, pattern, v);
  return buf;
}

}  // namespace

std::optional<std::string> triggerLevelText(const WaveformBlock& b) {
  int level = b.TriggerLevel();
  switch (b.TriggerSource()) {
    case 0:
    case 1: {
      int ch = b.TriggerSource();
      int index = b.voltDivIndex(ch);
      auto m = voltDivNumber(index);
      if (!m) return std::string(kUnknownText);
      int l = std::clamp(level, 125, 325);
      double value = *m * 0.04 * (100 - (l - 125)) * *probeFactor(probeOrX1(b.probe(ch)));
      return format("%3.2f", value) + (index <= 4 ? "mV" : "V");
    }
    case 2:
      return format("%4.2f", (500 - level) * 327.6 / 2096) + "%";
    case 3:
      return std::string("+0.0%");
    default:
      return std::nullopt;
  }
}

ScopeInformation FillScopeInformation(const WaveformBlock& b, const ScopeInformation& previous) {
  ScopeInformation s;
  s.ch1VoltDivItems = voltDivItems(b.Ch1Probe());
  s.ch2VoltDivItems = voltDivItems(b.Ch2Probe());
  s.ch1VoltDiv = itemAt(s.ch1VoltDivItems, b.Ch1VoltDivIndex());
  s.ch2VoltDiv = itemAt(s.ch2VoltDivItems, b.Ch2VoltDivIndex());
  s.ch1Coupling = couplingText(b.Ch1Coupling());
  s.ch2Coupling = couplingText(b.Ch2Coupling());
  s.ch1VoltDivSelection = selectable(s.ch1VoltDivItems, b.Ch1VoltDivIndex());
  s.ch2VoltDivSelection = selectable(s.ch2VoltDivItems, b.Ch2VoltDivIndex());

  int last = std::min<int>(b.TimeDivIndex(), kTimeDivCount - 1);
  for (int i = 0; i <= last; ++i) s.timeDivItems.emplace_back(timeDivText(i));

  s.triggerMode = triggerModeText(b.TriggerMode());
  s.triggerSource = triggerSourceText(b.TriggerSource());
  if (b.TriggerType() == 0) {
    s.triggerSlope = triggerSlopeText(b.TriggerSlope());
    s.triggerCoupling = triggerCouplingText(b.TriggerCoupling());
  } else {
    s.triggerSlope = "";
    s.triggerCoupling = tvSyncText(b.TvSync());
  }
  s.timeDiv = itemAt(s.timeDivItems, b.TimeDivIndex());
  s.triggerLevel = triggerLevelText(b).value_or(previous.triggerLevel);
  s.timeDivSelection = selectable(s.timeDivItems, b.TimeDivIndex());

  // The marker row must stay on the screen: a level beyond 0..1000 is taken at the nearer end.
  if (b.TriggerSource() == 2)
    s.extTriggerLevelRow = extTriggerLevelToRow(std::clamp<int>(b.TriggerLevel(), 0, 1000));
  return s;
}

}  // namespace corvane
