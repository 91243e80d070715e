// A ProtocolHost that records what the core asked of the windows, for tests.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/waveform_block.h"
#include "protocol/protocol_host.h"

namespace corvane {

class RecordingHost : public ProtocolHost {
 public:
  void showError(std::string_view text) override;
  void showInformation(std::string_view text) override;
  void showErrorDetail(std::string_view text, std::string_view detail) override;
  void setTxStr(std::string_view text) override { txStr.assign(text); }
  void setTXTot(std::string_view text) override { txTot.assign(text); }
  void setRXTot(std::string_view text) override {
    rxTot.assign(text);
    ++rxTotUpdates;
  }
  void setFrameRateText(std::string_view text) override;
  void EnableCommandControls(bool enable) override;
  void ShowCapturedImage(const std::filesystem::path& file) override;
  void ReceiveBlock(const WaveformBlock& block) override;
  bool captureButtonEnabled() const override { return captureButton; }
  void setCaptureButtonEnabled(bool enable) override;
  void resetRunButton() override;

  // Every call except the status-bar texts, in order: "showError(Receive time out.)",
  // "EnableCommandControls(true)", "ShowCapturedImage(/tmp/x/Test.BMP)", "ReceiveBlock" ...
  std::vector<std::string> calls;
  std::vector<std::string> errors;
  std::vector<std::string> errorDetails;  // one per error, empty for an error without detail
  std::vector<std::string> informations;
  std::vector<std::filesystem::path> capturedImages;
  std::vector<WaveformBlock> receivedBlocks;
  // Last texts of the status panels and the frame rate (empty until first set).
  std::string txStr, txTot, rxTot, frameRateText;
  int rxTotUpdates = 0;
  // The command lock as the windows would show it (true = controls enabled).
  bool commandControlsEnabled = true;
  bool captureButton = true;
  // Run while a modal box is "open", to model handlers that run inside it.
  std::function<void(std::string_view)> onModalBox;
};

}  // namespace corvane
