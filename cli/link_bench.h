// What the subcommands that talk to an instrument share: the link options, the windows as the
// command line sees them, and one acquisition session on real-time timers.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/commands.h"
#include "cli/real_time_timers.h"
#include "link/ftdi_sio_backend.h"
#include "protocol/acquisition_session.h"
#include "protocol/capture_file.h"

namespace corvane::cli {

struct LinkOptions {
  bool usb = false;
  std::string device;  // serial: required; USB: empty = the first FTDI device
  PortSettings port;   // a first start's defaults: COM1, 4800 bit/s, even parity
  std::optional<long> cycles;
  std::vector<std::string> rest;
};

// Trailing words that are not options: a fixed number (the OUT.DSO of acquire), or with
// kAnyOutputs one or more (the paths of control). With a fixed number "--usb OUT.DSO" is not read
// as a device path; with kAnyOutputs the word after --usb is the device only when it looks like a
// file path (starts with '/' or '.').
inline constexpr std::size_t kAnyOutputs = static_cast<std::size_t>(-1);

bool parseLink(const Args& args, bool allowCycles, std::size_t outputs, LinkOptions& o);

// The windows as the command line sees them: boxes become lines on stderr, hand-overs are kept.
class CliHost : public ProtocolHost {
 public:
  explicit CliHost(std::ostream& err) : err_(err) {}

  void showError(std::string_view text) override {
    if (startingUp_) return;  // the start-up reports of the link not in use are no news here
    lastError_ = std::string(text);
    err_ << "corvane-cli: " << text << "\n";
  }
  void showErrorDetail(std::string_view text, std::string_view detail) override {
    showError(text);
    if (!startingUp_ && !detail.empty()) err_ << "corvane-cli: " << detail << "\n";
  }
  void showInformation(std::string_view text) override {
    if (!startingUp_) err_ << "corvane-cli: " << text << "\n";
  }
  void setTxStr(std::string_view) override {}
  void setTXTot(std::string_view) override {}
  void setRXTot(std::string_view) override {}
  void setFrameRateText(std::string_view text) override { frameRateText_ = std::string(text); }
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
  const std::string& frameRateText() const { return frameRateText_; }

 private:
  std::ostream& err_;
  bool startingUp_ = false;
  bool captureButton_ = true;
  std::string lastError_, frameRateText_;
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
                    FtdiSioConfig{{}, o.usb ? o.device : std::string("/nonexistent/usb")}),
                PosixSerialOs::instance(), &timers) {
    PortDevices devices;
    devices.set(1, o.usb ? std::string("/nonexistent/serial") : o.device);
    session.serialPort().setPortDevices(devices);
    host.setStartingUp(true);
    session.startUp(o.port);
    host.setStartingUp(false);
    if (o.usb && session.usbActive()) session.chooseUsbLink();
  }
  ~Bench() { session.closeAtExit(); }

  RealTimeTimerService timers;
  CliHost host;
  DirectoryCaptureWriter captureWriter;
  AcquisitionSession session;
};

// False, with the reason on err, when the chosen link did not open.
bool linkReady(const LinkOptions& o, Bench& b, std::ostream& err);

}  // namespace corvane::cli
