#include "sim/kv2040_model.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

#include "analysis/value_tables.h"
#include "sim/kv2040_model_helpers.h"
#include "sim/reply_frame.h"
#include "sim/signal_source.h"

namespace corvane::sim {

using detail::channelSource;
using detail::code4;
using detail::kAction;
using detail::kDataRequest;
using detail::kFftExecute;
using detail::kScreenRequest;
using detail::kTimeDivQuery;
using detail::kVariantQuery;
using detail::roundToInt;

namespace {

enum class OutOfRange { Refuse, Clamp };

// A setting command N+1 with one field, answered by reply N with the setting's value.
struct SettingCommand {
  uint16_t code;
  uint16_t reply;
  int lo;
  int hi;
  OutOfRange outOfRange;
  int& (*field)(InstrumentSettings&);
};

#define CORVANE_FIELD(expr) [](InstrumentSettings& s) -> int& { return expr; }
const SettingCommand kSettingCommands[] = {
    {2, 1, 0, 2, OutOfRange::Refuse, CORVANE_FIELD(s.ch[0].coupling)},
    {4, 3, 0, 1, OutOfRange::Refuse, CORVANE_FIELD(s.ch[0].hidden)},
    {6, 5, 0, 10, OutOfRange::Refuse, CORVANE_FIELD(s.ch[0].voltDiv)},
    {8, 7, kTopRow, kBottomRow, OutOfRange::Clamp, CORVANE_FIELD(s.ch[0].position)},
    {10, 9, 0, 3, OutOfRange::Refuse, CORVANE_FIELD(s.ch[0].probe)},
    {22, 21, 0, 2, OutOfRange::Refuse, CORVANE_FIELD(s.ch[1].coupling)},
    {24, 23, 0, 1, OutOfRange::Refuse, CORVANE_FIELD(s.ch[1].hidden)},
    {26, 25, 0, 10, OutOfRange::Refuse, CORVANE_FIELD(s.ch[1].voltDiv)},
    {27, 26, kTopRow, kBottomRow, OutOfRange::Clamp, CORVANE_FIELD(s.arithPosition)},
    {28, 27, kTopRow, kBottomRow, OutOfRange::Clamp, CORVANE_FIELD(s.ch[1].position)},
    {30, 29, 0, 3, OutOfRange::Refuse, CORVANE_FIELD(s.ch[1].probe)},
    {33, 32, 0, 28, OutOfRange::Refuse, CORVANE_FIELD(s.timeDiv)},
    {41, 40, 0, 2, OutOfRange::Refuse, CORVANE_FIELD(s.timeReference)},
    {43, 42, kLeftColumn, kRightColumn, OutOfRange::Clamp, CORVANE_FIELD(s.triggerPosition)},
    {53, 52, 0, 5, OutOfRange::Refuse, CORVANE_FIELD(s.arithMode)},
    {61, 60, 0, 10, OutOfRange::Refuse, CORVANE_FIELD(s.measure)},
    {71, 70, 0, 19, OutOfRange::Refuse, CORVANE_FIELD(s.recallSelect)},  // and 255
    {81, 80, 0, 2, OutOfRange::Refuse, CORVANE_FIELD(s.triggerMode)},
    {83, 82, 0, 3, OutOfRange::Refuse, CORVANE_FIELD(s.triggerSource)},
    {85, 84, 0, 3, OutOfRange::Refuse, CORVANE_FIELD(s.triggerCoupling)},
    {87, 86, 0, 0, OutOfRange::Refuse, CORVANE_FIELD(s.triggerType)},
    {89, 88, 0, 1, OutOfRange::Refuse, CORVANE_FIELD(s.tvSync)},
    {91, 90, 0, 1, OutOfRange::Refuse, CORVANE_FIELD(s.triggerSlope)},
    {93, 92, kTopRow, kBottomRow, OutOfRange::Clamp, CORVANE_FIELD(s.triggerLevel)},
    {111, 110, 0, 2, OutOfRange::Refuse, CORVANE_FIELD(s.gridKind)},
    {113, 112, 0, 1, OutOfRange::Refuse, CORVANE_FIELD(s.pointStyle)},
    {115, 114, 0, 1, OutOfRange::Refuse, CORVANE_FIELD(s.xyFormat)},
    {117, 116, 0, 1, OutOfRange::Refuse, CORVANE_FIELD(s.persist)},
    {119, 118, 0, 100, OutOfRange::Refuse, CORVANE_FIELD(s.contrast)},
    {121, 120, 0, 1, OutOfRange::Refuse, CORVANE_FIELD(s.peakDetect)},
    {125, 124, 0, 7, OutOfRange::Refuse, CORVANE_FIELD(s.averaging)},
    {141, 140, 0, 2, OutOfRange::Refuse, CORVANE_FIELD(s.fftWindow)},
    {143, 142, 0, 1, OutOfRange::Refuse, CORVANE_FIELD(s.fftSource)},
};
#undef CORVANE_FIELD

const SettingCommand* byCode(uint16_t code) {
  for (const SettingCommand& c : kSettingCommands) {
    if (c.code == code) return &c;
  }
  return nullptr;
}

const SettingCommand* byReply(uint16_t reply) {
  for (const SettingCommand& c : kSettingCommands) {
    if (c.reply == reply) return &c;
  }
  return nullptr;
}

}  // namespace

Kv2040Model::Kv2040Model(ModelOptions options)
    : options_(std::move(options)), random_(options_.seed) {
  if (!options_.diagnostics) {
    options_.diagnostics = [](std::string_view line) {
      std::fprintf(stderr, "kv2040-sim: %.*s\n", int(line.size()), line.data());
    };
  }
  // The power-on screen holds one acquisition.
  instant_.triggerTime = findTriggerTime(settings_).value_or(0.0);
  instant_.noiseSeed = random_.next();
}

void Kv2040Model::report(const std::string& line) {
  options_.diagnostics(line);
}

bool Kv2040Model::setSettings(const InstrumentSettings& s) {
  if (!s.valid()) return false;
  settings_ = s;
  return true;
}

const WaveformMemory& Kv2040Model::waveformMemory(int k) const {
  return waveforms_[std::size_t(std::clamp(k, 0, kMemories - 1))];
}

bool Kv2040Model::setupMemorySaved(int k) const {
  return k >= 0 && k < kMemories && setupSaved_[std::size_t(k)];
}

std::string Kv2040Model::handleBytes(std::string_view incoming) {
  std::string out;
  const uint64_t strayBefore = reader_.strayBytes();
  for (ReceivedFrame& r : reader_.feed(incoming)) {
    if (!r.frame) {
      ++counters_.badFrames;
      report("bad frame (" + r.error + "): " + printableFrame(r.raw));
      continue;
    }
    ++counters_.frames;
    if (busy_) {
      if (queued_.size() >= kMaxQueuedFrames) {
        ++counters_.droppedWhileBusy;
        report("busy with Auto Set, frame dropped: " + printableFrame(r.raw));
      } else {
        queued_.push_back(std::move(*r.frame));
      }
      continue;
    }
    out += execute(*r.frame);
  }
  if (const uint64_t stray = reader_.strayBytes() - strayBefore; stray != 0) {
    report("ignored " + std::to_string(stray) + " byte(s) outside a frame");
  }
  return out;
}

std::string Kv2040Model::poll(int64_t nowMs) {
  nowMs_ = std::max(nowMs_, nowMs);
  std::string out;
  while (busy_ && nowMs_ >= busyUntilMs_) {
    finishAutoSet(out);
    while (!busy_ && !queued_.empty()) {
      CommandFrame f = std::move(queued_.front());
      queued_.pop_front();
      out += execute(f);
    }
  }
  return out;
}

std::string Kv2040Model::execute(const CommandFrame& f) {
  const std::size_t n = f.fields.size();
  if (f.code == kScreenRequest && (n == 0 || (n == 1 && f.fields[0] == 0))) return screenReply();
  if (n == 0) {
    // A query: a reply code sent without fields, answered with that code and the current value.
    std::optional<int> value;
    if (f.code == kVariantQuery) {
      value = options_.variantFlag;
    } else if (f.code == kTimeDivQuery) {
      value = settings_.timeDiv;
    } else if (f.code == 80) {
      value = settings_.reportedTriggerMode();
    } else if (const SettingCommand* c = byReply(f.code)) {
      value = c->field(settings_);
    }
    if (value) {
      const uint16_t v = static_cast<uint16_t>(*value);
      return buildValueReply(f.code, std::span(&v, 1));
    }
  } else if (n == 1) {
    if (f.code == kDataRequest) return dataReply(f.fields[0]);
    if (f.code == 72 || f.code == 73 || f.code == 74) return memoryCommand(f.code, f.fields[0]);
    if (f.code == kFftExecute) {
      if (f.fields[0] != 0) {
        ++counters_.refusedValues;
        report("value " + std::to_string(f.fields[0]) + " refused for command 0145 (0)");
        return {};
      }
      ++fftExecutions_;
      const uint16_t v = 0;
      return buildValueReply(kFftExecute - 1, std::span(&v, 1));
    }
    if (byCode(f.code) != nullptr) return applySetting(f);
  } else if (n == 2 && f.code == kAction) {
    return action(f.fields[0], f.fields[1]);
  }
  ++counters_.unknownCommands;
  report("unknown command " + code4(f.code) + " with " + std::to_string(n) + " field(s)");
  return {};
}

std::string Kv2040Model::applySetting(const CommandFrame& f) {
  const SettingCommand& c = *byCode(f.code);
  int value = f.fields[0];
  int lo = c.lo, hi = c.hi;
  if (f.code == 93 && !channelSource(settings_.triggerSource)) {
    lo = 0;  // EXT (and LINE, which has no level) keep the 0..1000 scale
    hi = kExtLevelMax;
  }
  const bool recallOff = f.code == 71 && value == kRecallOff;
  if (!recallOff && (value < lo || value > hi)) {
    if (c.outOfRange == OutOfRange::Refuse) {
      ++counters_.refusedValues;
      report("value " + std::to_string(value) + " refused for command " + code4(f.code) + " (" +
             std::to_string(lo) + ".." + std::to_string(hi) + ")");
      uint16_t kept = static_cast<uint16_t>(c.reply == 80 ? settings_.reportedTriggerMode()
                                                          : c.field(settings_));
      return buildValueReply(c.reply, std::span(&kept, 1));
    }
    value = std::clamp(value, lo, hi);
  }
  if (f.code == 83) {
    // The level keeps its place on the screen: rows 125..325 are 0..1000 on the EXT scale.
    const bool wasChannel = channelSource(settings_.triggerSource);
    if (wasChannel && !channelSource(value)) {
      settings_.triggerLevel = (settings_.triggerLevel - kTopRow) * 5;
    } else if (!wasChannel && channelSource(value)) {
      settings_.triggerLevel = kTopRow + roundToInt(settings_.triggerLevel / 5.0);
    }
  }
  c.field(settings_) = value;
  if (f.code == 41) settings_.triggerPosition = 31 + 100 * value;  // 1 div in, centre, 1 div in
  if (f.code == 89) settings_.triggerType = 1;
  uint16_t reported =
      static_cast<uint16_t>(c.reply == 80 ? settings_.reportedTriggerMode() : c.field(settings_));
  return buildValueReply(c.reply, std::span(&reported, 1));
}

std::string Kv2040Model::memoryCommand(uint16_t code, uint16_t k) {
  if (k >= kMemories) {
    ++counters_.refusedValues;
    report("value " + std::to_string(k) + " refused for command " + code4(code) + " (0..9)");
    return {};
  }
  const std::size_t m = k;
  if (code == 72) {
    WaveformMemory& w = waveforms_[m];
    w.saved = true;
    w.traces = traces().codes;
    w.ch = settings_.ch;
    w.timeDiv = settings_.timeDiv;
  } else if (code == 73) {
    setups_[m] = settings_;
    setupSaved_[m] = true;
  } else if (setupSaved_[m]) {
    settings_ = setups_[m];
  } else {
    report("setup memory " + std::to_string(k) + " is empty; settings kept");
  }
  return buildValueReply(static_cast<uint16_t>(code - 1), std::span(&k, 1));
}

std::string Kv2040Model::dataReply(uint16_t kind) {
  switch (kind) {
    case 9: {
      const auto fields = settings_.statusFields();
      return buildValueReply(209, fields);
    }
    case 7: {
      // RecallSelect, then what the recalled trace was taken with: volts/div, probe, time/div,
      // position (16 bits) and coupling; zeros while nothing is recalled.
      std::array<uint16_t, 6> v{static_cast<uint16_t>(settings_.recallSelect), 0, 0, 0, 0, 0};
      if (settings_.recallSelect != kRecallOff) {
        const WaveformMemory& w = waveforms_[std::size_t(settings_.recallSelect / 2)];
        if (w.saved) {
          const ChannelSettings& c = w.ch[std::size_t(settings_.recallSelect % 2)];
          v = {v[0],
               static_cast<uint16_t>(c.voltDiv),
               static_cast<uint16_t>(c.probe),
               static_cast<uint16_t>(w.timeDiv),
               static_cast<uint16_t>(c.position),
               static_cast<uint16_t>(c.coupling)};
        }
      }
      return buildValueReply(207, v);
    }
    case 3: {
      acquire();
      const auto samples = waveformSamples(settings_, traces());
      return buildSampleReply(203, samples);
    }
    case 1:
    case 2: {
      acquire();
      const DisplayTraces t = traces();
      return buildSampleReply(static_cast<uint16_t>(200 + kind), t.codes[kind - 1u]);
    }
    case 5: {
      // Recall trace, then its validity per point: nothing valid while nothing is recalled.
      std::array<uint16_t, 2 * kWaveformHalf> v{};
      if (settings_.recallSelect != kRecallOff) {
        const WaveformMemory& w = waveforms_[std::size_t(settings_.recallSelect / 2)];
        if (w.saved) {
          const Trace& t = w.traces[std::size_t(settings_.recallSelect % 2)];
          std::copy(t.begin(), t.end(), v.begin());
          std::fill(v.begin() + kWaveformHalf, v.end(), uint16_t{1});
        }
      }
      return buildSampleReply(205, v);
    }
    case 6: {
      const LimitEnvelope env = limitEnvelope(traces());
      std::array<uint16_t, 2 * kWaveformHalf> v{};
      std::copy(env.upper.begin(), env.upper.end(), v.begin());
      std::copy(env.lower.begin(), env.lower.end(), v.begin() + kWaveformHalf);
      return buildSampleReply(206, v);
    }
    default:
      ++counters_.unknownCommands;
      report("unknown command 0200 with field " + code4(kind));
      return {};
  }
}

}  // namespace corvane::sim
