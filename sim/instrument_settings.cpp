#include "sim/instrument_settings.h"

namespace corvane::sim {
namespace {

bool in(int v, int lo, int hi) {
  return v >= lo && v <= hi;
}
uint16_t u16(int v) {
  return static_cast<uint16_t>(v);
}

}  // namespace

int InstrumentSettings::reportedTriggerMode() const {
  if (triggerType != 0) return tvSync == 0 ? 3 : 4;
  return triggerMode;
}

std::array<uint16_t, 23> InstrumentSettings::statusFields() const {
  const ChannelSettings& a = ch[0];
  const ChannelSettings& b = ch[1];
  return {u16(a.hidden),     u16(a.voltDiv),     u16(a.coupling),
          u16(a.position),   u16(a.probe),       u16(b.hidden),
          u16(b.voltDiv),    u16(b.coupling),    u16(b.position),
          u16(b.probe),      u16(timeDiv),       u16(triggerPosition),
          u16(triggerType),  u16(triggerSource), u16(triggerCoupling),
          u16(tvSync),       u16(triggerSlope),  u16(reportedTriggerMode()),
          u16(triggerLevel), u16(pointStyle),    u16(xyFormat),
          u16(gridKind),     u16(arithMode)};
}

bool InstrumentSettings::valid() const {
  for (const ChannelSettings& c : ch) {
    if (!in(c.hidden, 0, 1) || !in(c.voltDiv, 0, 10) || !in(c.coupling, 0, 2) ||
        !in(c.position, kTopRow, kBottomRow) || !in(c.probe, 0, 3))
      return false;
  }
  const bool levelOk = triggerSource <= 1 ? in(triggerLevel, kTopRow, kBottomRow)
                                          : in(triggerLevel, 0, kExtLevelMax);
  return in(timeDiv, 0, 28) && in(timeReference, 0, 2) &&
         in(triggerPosition, kLeftColumn, kRightColumn) && in(triggerMode, 0, 2) &&
         in(triggerSource, 0, 3) && in(triggerCoupling, 0, 3) && in(triggerSlope, 0, 1) &&
         in(triggerType, 0, 1) && in(tvSync, 0, 1) && levelOk && in(arithMode, 0, 5) &&
         in(arithPosition, kTopRow, kBottomRow) &&
         (recallSelect == kRecallOff || in(recallSelect, 0, 19)) && in(gridKind, 0, 2) &&
         in(pointStyle, 0, 1) && in(xyFormat, 0, 1) && in(averaging, 0, 7) &&
         in(peakDetect, 0, 1) && in(persist, 0, 1) && in(contrast, 0, 100) && in(measure, 0, 10) &&
         in(fftWindow, 0, 2) && in(fftSource, 0, 1);
}

}  // namespace corvane::sim
