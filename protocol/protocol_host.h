// The windows as the protocol core and the session see them: message boxes, status-bar texts,
// the command lock, the scope windows' hand-over and capture controls. Implemented by the main
// window; RecordingHost is the fake for tests and NullHost the silent one for fuzzing and benches.
#pragma once

#include <filesystem>
#include <string_view>

namespace corvane {

class WaveformBlock;

class ProtocolHost {
 public:
  virtual ~ProtocolHost() = default;

  // Modal boxes with one OK button ("Receive time out.", "USB device is enabled." ...).
  virtual void showError(std::string_view text) = 0;
  virtual void showInformation(std::string_view text) = 0;
  // An error box whose detail names the device, the reason and the remedy ("/dev/ttyUSB0: ...");
  // a host that has no place for the detail shows the text alone.
  virtual void showErrorDetail(std::string_view text, std::string_view /*detail*/) {
    showError(text);
  }

  // Status-bar panels: TxStr (last frame and its length), TXTot and RXTot (byte totals, or the
  // "(9664)" stream length of a USB capture).
  virtual void setTxStr(std::string_view text) = 0;
  virtual void setTXTot(std::string_view text) = 0;
  virtual void setRXTot(std::string_view text) = 0;
  // The main window's frame-rate text ("FrameRate = 5").
  virtual void setFrameRateText(std::string_view text) = 0;

  // Enables (true) or locks (false) every command control while a transfer runs.
  virtual void EnableCommandControls(bool enable) = 0;

  // The active scope window loads the instrument's screen image from file into its image page and
  // enables its BMPSave and BMPCapt buttons.
  virtual void ShowCapturedImage(const std::filesystem::path& file) = 0;

  // Hands a copy of the staging record to the target scope window's ReceiveBlock.
  virtual void ReceiveBlock(const WaveformBlock& block) = 0;

  // The BMPCapt button of the window that asked for the capture in flight (the session's
  // captureWindow()), else of the target scope window; a capture in flight keeps it disabled.
  virtual bool captureButtonEnabled() const = 0;
  virtual void setCaptureButtonEnabled(bool enable) = 0;

  // USB device lost: the active scope window's RUN button reads "RUN", is disabled with blue text,
  // and its "Setup Para." button is enabled again.
  virtual void resetRunButton() = 0;

  // The real-time loop stopped (STOP, a closing window, a lost USB device); `window` is the id
  // the loop was started with, whose RUN button must show the stopped loop.
  virtual void loopStopped(int /*window*/) {}

  // The link's health changed (the session's linkHealth(): a reply, a time-out, discarded bytes,
  // the port opened or lost). Called often; a window repaints at its own rate.
  virtual void linkHealthChanged() {}
};

}  // namespace corvane
