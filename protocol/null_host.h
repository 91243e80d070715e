// A ProtocolHost that shows nothing: for fuzzing, benchmarks and headless runs.
#pragma once

#include "protocol/protocol_host.h"

namespace corvane {

class NullHost : public ProtocolHost {
 public:
  void showError(std::string_view) override {}
  void showInformation(std::string_view) override {}
  void setTxStr(std::string_view) override {}
  void setTXTot(std::string_view) override {}
  void setRXTot(std::string_view) override {}
  void setFrameRateText(std::string_view) override {}
  void EnableCommandControls(bool) override {}
  void ShowCapturedImage(const std::filesystem::path&) override {}
  void ReceiveBlock(const WaveformBlock&) override {}
  bool captureButtonEnabled() const override { return true; }
  void setCaptureButtonEnabled(bool) override {}
  void resetRunButton() override {}
};

}  // namespace corvane
