// The simulated instrument's front-panel actions (RUN/STOP, Auto Set, level to 50 %), its
// acquisition and the screen image it sends.
#include <algorithm>
#include <array>
#include <cmath>

#include "analysis/value_tables.h"
#include "sim/instrument_screen.h"
#include "sim/kv2040_model.h"
#include "sim/kv2040_model_helpers.h"

namespace corvane::sim {

using detail::channelSource;
using detail::code4;
using detail::coupledRange;
using detail::kActionReply;
using detail::kAutoSet;
using detail::kExtLevelCentre;
using detail::kLevelTo50;
using detail::kRunStop;
using detail::kScreenRequest;
using detail::roundToInt;

std::string Kv2040Model::action(uint16_t first, uint16_t what) {
  const uint16_t echo = what;
  switch (first == 0 ? what : 0) {
    case kLevelTo50:
      setLevelToMiddle();
      break;
    case kRunStop:
      running_ = !running_;
      break;
    case kAutoSet:
      busy_ = true;
      busyUntilMs_ = nowMs_ + options_.autoSetMs;
      return {};  // answered when it is done
    default:
      ++counters_.unknownCommands;
      report("unknown action 0174 (" + code4(first) + ", " + code4(what) + ")");
      return {};
  }
  return buildValueReply(kActionReply, std::span(&echo, 1));
}

void Kv2040Model::finishAutoSet(std::string& out) {
  busy_ = false;
  applyAutoSet();
  const uint16_t echo = kAutoSet;
  out += buildValueReply(kActionReply, std::span(&echo, 1));
}

void Kv2040Model::applyAutoSet() {
  // Each channel DC-coupled and shown, scaled to at most 3.5 divisions, CH1 centred two
  // divisions above the middle and CH2 two below; two periods of CH1 across the screen,
  // triggered on CH1's rising edge at its midpoint.
  constexpr std::array<double, 2> kTargetCode = {177.0, 77.0};
  for (int ch = 0; ch < 2; ++ch) {
    ChannelSettings& c = settings_.ch[std::size_t(ch)];
    c.hidden = 0;
    c.coupling = 1;
    const double span = SignalSource::maxVolts(ch) - SignalSource::minVolts(ch);
    const double probe = probeFactor(c.probe).value_or(1.0);
    c.voltDiv = 10;
    for (int i = 0; i <= 10; ++i) {
      if (span / (millivoltsPerDivision(i).value_or(5000) * probe / 1000.0) <= 3.5) {
        c.voltDiv = i;
        break;
      }
    }
    const double mid = (SignalSource::maxVolts(ch) + SignalSource::minVolts(ch)) / 2;
    const double ground = kTargetCode[std::size_t(ch)] - mid / voltsPerCode(c);
    c.position = std::clamp(roundToInt(352.0 - ground), kTopRow, kBottomRow);
  }
  settings_.timeDiv = 28;
  for (int i = 0; i <= 28; ++i) {
    if (10 * secondsPerDivision(i).value_or(0) >= 2.0 / SignalSource::kSquareFrequency) {
      settings_.timeDiv = i;
      break;
    }
  }
  settings_.triggerType = 0;
  settings_.triggerMode = 0;
  settings_.triggerSource = 0;
  settings_.triggerSlope = 0;
  settings_.timeReference = 1;
  settings_.triggerPosition = 131;
  settings_.triggerLevel = kTopRow;  // a row, before the middle is found
  setLevelToMiddle();
  running_ = true;
}

void Kv2040Model::setLevelToMiddle() {
  if (settings_.triggerSource == 2) {
    settings_.triggerLevel = kExtLevelCentre;
    return;
  }
  if (!channelSource(settings_.triggerSource)) return;  // LINE has no level
  const int ch = settings_.triggerSource;
  const ChannelSettings& c = settings_.ch[std::size_t(ch)];
  const auto [lo, hi] = coupledRange(ch, c.coupling);
  const double midCode = groundCode(c.position) + (lo + hi) / 2 / voltsPerCode(c);
  settings_.triggerLevel = std::clamp(roundToInt(352.0 - midCode), kTopRow, kBottomRow);
}

void Kv2040Model::acquire() {
  if (!running_) return;
  const std::optional<double> t = findTriggerTime(settings_);
  if (t) {
    instant_ = {*t, random_.next(), true};
    if (settings_.triggerMode == 2) running_ = false;  // single: one acquisition, then stop
    return;
  }
  if (settings_.triggerMode == 0) {
    // Auto without a trigger: the acquisition falls wherever the clock stands.
    const double now = std::fmod(double(nowMs_) / 1000.0, 0.02);
    const double jitter = random_.uniform() * SignalSource::kCommonPeriod;
    instant_ = {now + jitter, random_.next(), false};
  }
  // Normal and single keep waiting: the screen keeps the last acquisition.
}

DisplayTraces Kv2040Model::traces() const {
  return renderTraces(settings_, instant_, options_.noiseCodes);
}

std::vector<uint8_t> Kv2040Model::screenBmp() const {
  const DisplayTraces t = traces();
  const Trace* recall = nullptr;
  if (settings_.recallSelect != kRecallOff) {
    const WaveformMemory& w = waveforms_[std::size_t(settings_.recallSelect / 2)];
    if (w.saved) recall = &w.traces[std::size_t(settings_.recallSelect % 2)];
  }
  return paintInstrumentScreen(settings_, t, recall, running_).bmp();
}

std::string Kv2040Model::screenReply() {
  acquire();
  const std::vector<uint8_t> bmp = screenBmp();
  if (options_.rawScreenImage) return buildRawImageReply(bmp);
  std::vector<uint16_t> values(bmp.begin(), bmp.end());
  return buildSampleReply(kScreenRequest, values);
}

}  // namespace corvane::sim
