// The simulated KV2040: takes the bytes the program sends, keeps every front-panel setting and
// answers each command frame the way the instrument does. Time is the model's own: it moves only
// through poll(nowMs), so tests decide when Auto Set finishes and where free-running traces fall.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/acquisition.h"
#include "sim/command_reader.h"
#include "sim/instrument_settings.h"
#include "sim/split_mix64.h"

namespace corvane::sim {

struct ModelOptions {
  uint64_t seed = 2040;         // noise and free-running phases
  int variantFlag = 0;          // value of reply 171
  int autoSetMs = 2500;         // how long Auto Set keeps the instrument busy
  bool rawScreenImage = false;  // answer 166 with STX, the raw bitmap, ETX (the USB bridge's form)
  double noiseCodes = kDefaultNoiseCodes;  // 0 gives noise-free traces
  // Receives one line per rejected frame, unknown command or refused value. Unset: stderr.
  std::function<void(std::string_view)> diagnostics;
};

struct ModelCounters {
  uint64_t frames = 0;            // well-formed command frames
  uint64_t badFrames = 0;         // rejected: checksum, length, digits, cut off, over-long
  uint64_t unknownCommands = 0;   // well-formed but not understood: no answer
  uint64_t refusedValues = 0;     // a value outside its range: the setting is kept
  uint64_t droppedWhileBusy = 0;  // frames beyond the queue kept during Auto Set
};

// A waveform memory (command 72): both traces and the settings they were taken with.
struct WaveformMemory {
  bool saved = false;
  std::array<Trace, 2> traces{};
  std::array<ChannelSettings, 2> ch{};
  int timeDiv = 0;
};

class Kv2040Model {
 public:
  static constexpr std::size_t kMaxQueuedFrames = 64;
  static constexpr int kMemories = 10;

  explicit Kv2040Model(ModelOptions options = {});

  // Feeds bytes received from the program; returns the reply bytes to send now. While Auto Set
  // runs, complete frames wait and are answered by the poll() that ends it.
  std::string handleBytes(std::string_view incoming);
  // Moves the model's clock forward to nowMs (never backwards) and returns replies that fell due.
  std::string poll(int64_t nowMs);
  int64_t nowMs() const { return nowMs_; }
  // When the next delayed reply falls due, or -1 when none is waiting.
  int64_t nextDueMs() const { return busy_ ? busyUntilMs_ : -1; }
  bool busy() const { return busy_; }
  // Drops a partly received frame (the peer closed the line).
  void resetLink() { reader_.reset(); }

  const InstrumentSettings& settings() const { return settings_; }
  // Replaces all settings; refused (false, nothing changed) when a value is outside its range.
  bool setSettings(const InstrumentSettings& s);
  bool running() const { return running_; }
  const ModelCounters& counters() const { return counters_; }
  uint64_t strayBytes() const { return reader_.strayBytes(); }
  int fftExecutions() const { return fftExecutions_; }
  const WaveformMemory& waveformMemory(int k) const;
  bool setupMemorySaved(int k) const;

  // The latest acquisition drawn with the current settings (what reply 203 would carry if the
  // instrument were stopped), and the screen as reply 166 carries it.
  DisplayTraces traces() const;
  std::vector<uint8_t> screenBmp() const;

 private:
  std::string execute(const CommandFrame& f);
  std::string applySetting(const CommandFrame& f);
  std::string dataReply(uint16_t kind);
  std::string action(uint16_t first, uint16_t what);
  std::string memoryCommand(uint16_t code, uint16_t k);
  std::string screenReply();
  void acquire();
  void finishAutoSet(std::string& out);
  void applyAutoSet();
  void setLevelToMiddle();
  void report(const std::string& line);

  ModelOptions options_;
  InstrumentSettings settings_;
  CommandReader reader_;
  ModelCounters counters_;
  SplitMix64 random_;
  AcquisitionInstant instant_;
  bool running_ = true;
  bool busy_ = false;
  int64_t nowMs_ = 0;
  int64_t busyUntilMs_ = 0;
  std::deque<CommandFrame> queued_;
  std::array<WaveformMemory, kMemories> waveforms_{};
  std::array<InstrumentSettings, kMemories> setups_{};
  std::array<bool, kMemories> setupSaved_{};
  int fftExecutions_ = 0;
};

}  // namespace corvane::sim
