#include "scope/cursor_readouts.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "analysis/value_tables.h"

namespace corvane {
namespace {

// Fixed point with two decimals, the unit directly behind: "6.67us", "-2.07us".
std::string fixed2(double v, std::string_view unit) {
  const int length = std::snprintf(nullptr, 0, "%3.2f", v);
  if (length <= 0) return std::string(kUnknownText);
  std::string text(std::size_t(length) + 1, '\0');
  std::snprintf(text.data(), text.size(), "%3.2f", v);
  text.resize(std::size_t(length));
  text += unit;
  return text;
}

double probeOrOne(int probeIndex) {
  return probeFactor(probeIndex).value_or(1.0);
}

std::string voltageText(int displayIndex, double pixels, int probeIndex) {
  auto perDivision = voltDivNumber(displayIndex);
  auto unit = voltageUnit(displayIndex);
  if (!perDivision || !unit) return std::string(kUnknownText);
  return fixed2(*perDivision / 30.0 * pixels * probeOrOne(probeIndex), unit->text);
}

}  // namespace

CursorReadouts UpdateCursorReadouts(const WaveformBlock& record, const WindowState& state) {
  CursorReadouts out;
  const CursorState& c = state.cursors;
  const double dy = std::fabs(double(c.y1) - double(c.y2));
  out.ch1VoltDelta = voltageText(state.displayCh1VoltDiv, dy, record.Ch1Probe());
  out.ch2VoltDelta = voltageText(state.displayCh2VoltDiv, dy, record.Ch2Probe());

  auto perDivision = timeDivValue(state.displayTimeDiv);
  auto unit = timeUnit(state.displayTimeDiv);
  if (!perDivision || !unit) {
    out.timeDelta = out.frequency = out.time1 = out.time2 = std::string(kUnknownText);
    return out;
  }
  const double t = *perDivision;
  const double t1 = t / 30.0 * (double(c.x1) - 162.0);
  const double t2 = t / 30.0 * (double(c.x2) - 162.0);
  out.time1 = fixed2(t1, unit->text);
  out.time2 = fixed2(t2, unit->text);
  out.timeDelta = fixed2(std::fabs(t1 - t2), unit->text);

  double dt = std::fabs(double(c.x1) - double(c.x2)) * t / 30.0 * unit->seconds;
  if (dt == 0.0) dt = 1.0;
  const double f = 1.0 / dt;
  if (f > 1000000.0) {
    out.frequency = fixed2(f * 1e-6, "MHz");
  } else if (f > 1000.0) {
    out.frequency = fixed2(f * 0.001, "kHz");
  } else {
    out.frequency = fixed2(f, "Hz");
  }
  return out;
}

}  // namespace corvane
