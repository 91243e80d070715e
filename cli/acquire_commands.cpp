// acquire and watch: the acquisition session without a window, on real-time timers.
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>

#include "analysis/measurements.h"
#include "cli/commands.h"
#include "cli/real_time_timers.h"
#include "link/ftdi_sio_backend.h"
#include "protocol/acquisition_session.h"
#include "protocol/capture_file.h"
#include "storage/data_file.h"

namespace corvane::cli {
namespace {

constexpr const char* kAcquireUsage =
    "usage: corvane-cli acquire --serial DEVICE [--baud 1200|2400|4800|9600|19200|38400]\n"
    "                           [--parity none|even|odd] OUT.DSO\n"
    "       corvane-cli acquire --usb [DEVICE] OUT.DSO\n";
constexpr const char* kWatchUsage =
    "usage: corvane-cli watch --serial DEVICE [--baud N] [--parity none|even|odd] [--cycles N]\n"
    "       corvane-cli watch --usb [DEVICE] [--cycles N]\n";

// A setup load asks at most nine questions, each given 500 ms; a minute is far beyond that.
constexpr std::chrono::milliseconds kLoadLimit{60000};

struct LinkOptions {
  bool usb = false;
  std::string device;  // serial: required; USB: empty = the first FTDI device
  PortSettings port;   // a first start's defaults: COM1, 4800 bit/s, even parity
  std::optional<long> cycles;
  std::vector<std::string> rest;
};

std::optional<uint8_t> baudIndex(const std::string& v) {
  static const char* const rates[] = {"1200", "2400", "4800", "9600", "19200", "38400"};
  for (uint8_t i = 0; i < 6; ++i)
    if (v == rates[i]) return i;
  return std::nullopt;
}

std::optional<uint8_t> parityIndex(const std::string& v) {
  if (v == "none") return 0;
  if (v == "even") return 1;
  if (v == "odd") return 2;
  return std::nullopt;
}

// `outputs` is the number of trailing words that are not options (the OUT.DSO of acquire), so
// that "--usb OUT.DSO" is not read as a device path.
bool parseLink(const Args& args, bool allowCycles, std::size_t outputs, LinkOptions& o) {
  bool chosen = false;
  bool lineOptions = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&]() -> std::optional<std::string> {
      if (i + 1 >= args.size()) return std::nullopt;
      return args[++i];
    };
    if (a == "--serial") {
      auto v = value();
      if (!v || chosen) return false;
      o.device = *v;
      chosen = true;
    } else if (a == "--usb") {
      if (chosen) return false;
      o.usb = true;
      chosen = true;
      if (i + 1 + outputs < args.size() && args[i + 1].rfind("--", 0) != 0) o.device = args[++i];
    } else if (a == "--baud") {
      auto v = value();
      auto b = v ? baudIndex(*v) : std::nullopt;
      if (!b) return false;
      o.port.baudIndex = *b;
      lineOptions = true;
    } else if (a == "--parity") {
      auto v = value();
      auto p = v ? parityIndex(*v) : std::nullopt;
      if (!p) return false;
      o.port.parityIndex = *p;
      lineOptions = true;
    } else if (a == "--cycles" && allowCycles) {
      auto v = value();
      if (!v) return false;
      char* end = nullptr;
      long n = std::strtol(v->c_str(), &end, 10);
      if (v->empty() || *end != '\0' || n < 1) return false;
      o.cycles = n;
    } else if (a.rfind("--", 0) == 0) {
      return false;
    } else {
      o.rest.push_back(a);
    }
  }
  if (!chosen || (o.usb && lineOptions)) return false;  // the USB line settings are fixed
  if (!o.usb && o.device.empty()) return false;
  return o.rest.size() == outputs;
}

// The windows as the command line sees them: boxes become lines on stderr, hand-overs are kept.
class CliHost : public ProtocolHost {
 public:
  explicit CliHost(std::ostream& err) : err_(err) {}

  void showError(std::string_view text) override {
    if (startingUp_) return;  // the start-up reports of the link not in use are no news here
    lastError_ = std::string(text);
    err_ << "corvane-cli: " << text << "\n";
  }
  void showInformation(std::string_view text) override {
    if (!startingUp_) err_ << "corvane-cli: " << text << "\n";
  }
  void setTxStr(std::string_view) override {}
  void setTXTot(std::string_view) override {}
  void setRXTot(std::string_view) override {}
  void setLabel1(std::string_view text) override { label1_ = std::string(text); }
  void EnableCommandControls(bool) override {}
  void ShowCapturedImage(const std::filesystem::path&) override {}
  void ReceiveBlock(const WaveformBlock& block) override {
    received_ = block;
    if (onHandOver_) onHandOver_(block);
  }
  bool captureButtonEnabled() const override { return captureButton_; }
  void setCaptureButtonEnabled(bool enable) override { captureButton_ = enable; }
  void resetRunButton() override {}

  void setStartingUp(bool s) { startingUp_ = s; }
  void setOnHandOver(std::function<void(const WaveformBlock&)> f) { onHandOver_ = std::move(f); }
  const std::optional<WaveformBlock>& received() const { return received_; }
  const std::string& lastError() const { return lastError_; }
  const std::string& label1() const { return label1_; }

 private:
  std::ostream& err_;
  bool startingUp_ = false;
  bool captureButton_ = true;
  std::string lastError_, label1_;
  std::optional<WaveformBlock> received_;
  std::function<void(const WaveformBlock&)> onHandOver_;
};

// One session on the chosen link, started as the main window starts it. The link not chosen is
// pointed at a path that cannot exist, so it never takes a real port or device.
struct Bench {
  Bench(const LinkOptions& o, std::ostream& err)
      : host(err),
        captureWriter(std::filesystem::current_path()),
        session(timers, host, captureWriter,
                std::make_unique<FtdiSioBackend>(
                    FtdiSioConfig{{}, o.usb ? o.device : std::string("/nonexistent/usb")})) {
    PortDevices devices;
    devices.set(1, o.usb ? std::string("/nonexistent/serial") : o.device);
    session.COMM().setPortDevices(devices);
    host.setStartingUp(true);
    session.startUp(o.port);
    host.setStartingUp(false);
    if (o.usb && session.UsbActive()) session.USB1Click();
  }
  ~Bench() { session.closeAtExit(); }

  RealTimeTimerService timers;
  CliHost host;
  DirectoryCaptureWriter captureWriter;
  AcquisitionSession session;
};

bool linkReady(const LinkOptions& o, Bench& b, std::ostream& err) {
  if (o.usb && !b.session.UsbActive()) {
    err << "corvane-cli: " << kUsbNotAvailableText << "\n";
    return false;
  }
  if (!o.usb && !b.session.COMM().connected()) {
    err << "corvane-cli: " << kComPortSettingErrorText << " (" << o.device << ": "
        << std::strerror(b.session.COMM().lastError()) << ")\n";
    return false;
  }
  return true;
}

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
  if (!b.session.LoadSetup()) {
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
  LinkOptions o;
  if (!parseLink(args, true, 0, o)) {
    err << kWatchUsage;
    return 2;
  }
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
    int64_t now = b.timers.nowMs();
    std::ostringstream line;
    line << "{\"measurements\": {\"ch1\": ";
    jsonMeasurements(line, m.channel[0]);
    line << ", \"ch2\": ";
    jsonMeasurements(line, m.channel[1]);
    line << "}, \"frame_rate\": " << jsonText(b.host.label1()) << ", \"since_previous_ms\": ";
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
  auto done = [&] { return (o.cycles && count >= *o.cycles) || failed(); };
  while (b.timers.runUntil(done, std::chrono::hours(24)) ==
         RealTimeTimerService::RunResult::kLimit) {
  }
  bool ended = failed();
  b.session.stopLoop();
  return ended ? 1 : 0;
}

}  // namespace corvane::cli
