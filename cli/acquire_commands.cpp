// acquire and watch: the acquisition session without a window, on real-time timers.
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>

#include "analysis/measurement_statistics.h"
#include "analysis/measurements.h"
#include "cli/commands.h"
#include "cli/link_bench.h"
#include "cli/real_time_timers.h"
#include "link/ftdi_sio_backend.h"
#include "protocol/acquisition_session.h"
#include "protocol/capture_file.h"
#include "storage/data_file.h"
#include "storage/measurement_log.h"

namespace corvane::cli {
namespace {

constexpr const char* kAcquireUsage =
    "usage: corvane-cli acquire --serial DEVICE [--baud 1200|2400|4800|9600|19200|38400]\n"
    "                           [--parity none|even|odd] OUT.DSO\n"
    "       corvane-cli acquire --usb [DEVICE] OUT.DSO\n";
constexpr const char* kWatchUsage =
    "usage: corvane-cli watch --serial DEVICE [--baud N] [--parity none|even|odd] [--cycles N]\n"
    "                         [--csv FILE]\n"
    "       corvane-cli watch --usb [DEVICE] [--cycles N] [--csv FILE]\n";

// A setup load asks at most nine questions, each given 500 ms; a minute is far beyond that.
constexpr std::chrono::milliseconds kLoadLimit{60000};

std::string jsonText(const std::string& s) {
  std::string o = "\"";
  for (char c : s) {
    if (c == '"' || c == '\\') o += '\\';
    o += c;
  }
  return o + "\"";
}

void jsonMeasurements(std::ostream& o, const ChannelMeasurements& m) {
  o << "{\"pp\": " << jsonText(m.pp) << ", \"rms\": " << jsonText(m.rms)
    << ", \"mean\": " << jsonText(m.mean) << ", \"freq\": " << jsonText(m.freq)
    << ", \"rise\": " << jsonText(m.rise) << ", \"fall\": " << jsonText(m.fall)
    << ", \"period\": " << jsonText(m.period) << ", \"pwidth\": " << jsonText(m.pwidth)
    << ", \"nwidth\": " << jsonText(m.nwidth) << "}";
}

// The setup load, as "Setup Para." runs it; true when the block was handed over.
bool loadSetup(Bench& b, std::ostream& err) {
  std::optional<bool> handedOver;
  b.session.setOnLoadFinished([&](bool h) { handedOver = h; });
  if (!b.session.startSetupLoad()) {
    err << "corvane-cli: the setup load could not start\n";
    return false;
  }
  auto r = b.timers.runUntil([&] { return handedOver.has_value(); }, kLoadLimit);
  b.session.setOnLoadFinished({});
  if (r != RealTimeTimerService::RunResult::kDone || !*handedOver || !b.host.received()) {
    if (b.host.lastError().empty()) err << "corvane-cli: " << kReceiveTimeOutText << "\n";
    return false;
  }
  return true;
}

}  // namespace

int acquireCommand(const Args& args, std::ostream& out, std::ostream& err) {
  LinkOptions o;
  if (!parseLink(args, false, 1, o)) {
    err << kAcquireUsage;
    return 2;
  }
  Bench b(o, err);
  if (!linkReady(o, b, err)) return 1;
  if (!loadSetup(b, err)) return 1;
  FileStatus s = writeDataFile(o.rest[0], *b.host.received());
  if (!s) {
    err << "corvane-cli: " << s.message << "\n";
    return 1;
  }
  out << "wrote " << o.rest[0] << "\n";
  return 0;
}

int watchCommand(const Args& args, std::ostream& out, std::ostream& err) {
  // --csv is the watch's own option; the rest are the link's.
  Args linkArgs;
  std::optional<std::string> csvPath;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] != "--csv") {
      linkArgs.push_back(args[i]);
    } else if (i + 1 < args.size() && !csvPath) {
      csvPath = args[++i];
    } else {
      err << kWatchUsage;
      return 2;
    }
  }
  LinkOptions o;
  if (!parseLink(linkArgs, true, 0, o)) {
    err << kWatchUsage;
    return 2;
  }
  // Opened first, so that a path that cannot be written is known before the instrument is asked.
  MeasurementLog log;
  if (csvPath) {
    if (FileStatus s = log.start(*csvPath); !s) {
      err << "corvane-cli: " << s.message << "\n";
      return 1;
    }
  }
  bool logFailed = false;
  Bench b(o, err);
  if (!linkReady(o, b, err)) return 1;
  // The loop hands over the staging block on every handled tick; load it first, as an operator
  // presses "Setup Para." before RUN, so that no hand-over shows an empty record.
  if (!loadSetup(b, err)) return 1;

  long count = 0;
  std::optional<int64_t> previous;
  b.host.setOnHandOver([&](const WaveformBlock& handed) {
    WaveformBlock copy = handed;
    Measurements m = MeasureChannels(copy, recordScales(copy));
    if (log.running()) {
      if (FileStatus s = log.append(count + 1, measuredWaveform(copy, m)); !s) {
        err << "corvane-cli: " << s.message << "\n";
        logFailed = true;
      }
    }
    int64_t now = b.timers.nowMs();
    std::ostringstream line;
    line << "{\"measurements\": {\"ch1\": ";
    jsonMeasurements(line, m.channel[0]);
    line << ", \"ch2\": ";
    jsonMeasurements(line, m.channel[1]);
    line << "}, \"frame_rate\": " << jsonText(b.host.frameRateText())
         << ", \"since_previous_ms\": ";
    if (previous)
      line << (now - *previous);
    else
      line << "null";
    line << "}\n";
    out << line.str() << std::flush;
    previous = now;
    ++count;
  });

  SignalInterruptGuard interrupt(b.timers, SIGINT);
  SignalInterruptGuard terminate(b.timers, SIGTERM);
  b.session.startLoop();
  // A lost USB device stops the loop; a silent instrument is reported once and ends the watch,
  // so that a script never waits for hand-overs that cannot come.
  auto failed = [&] {
    return !b.session.loopRunning() || b.host.lastError() == kReceiveTimeOutText;
  };
  auto done = [&] { return (o.cycles && count >= *o.cycles) || failed() || logFailed; };
  while (b.timers.runUntil(done, std::chrono::hours(24)) ==
         RealTimeTimerService::RunResult::kLimit) {
  }
  bool ended = failed() || logFailed;
  b.session.stopLoop();
  if (FileStatus s = log.stop(); !s) {
    err << "corvane-cli: " << s.message << "\n";
    ended = true;
  }
  return ended ? 1 : 0;
}

}  // namespace corvane::cli
