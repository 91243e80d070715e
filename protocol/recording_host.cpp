#include "protocol/recording_host.h"

namespace corvane {

void RecordingHost::showError(std::string_view text) {
  showErrorDetail(text, {});
}

void RecordingHost::showErrorDetail(std::string_view text, std::string_view detail) {
  errors.emplace_back(text);
  errorDetails.emplace_back(detail);
  calls.push_back("showError(" + std::string(text) + ")");
  if (onModalBox) onModalBox(text);
}

void RecordingHost::showInformation(std::string_view text) {
  informations.emplace_back(text);
  calls.push_back("showInformation(" + std::string(text) + ")");
  if (onModalBox) onModalBox(text);
}

void RecordingHost::setFrameRateText(std::string_view text) {
  frameRateText.assign(text);
  calls.push_back("setFrameRateText(" + std::string(text) + ")");
}

void RecordingHost::EnableCommandControls(bool enable) {
  commandControlsEnabled = enable;
  calls.push_back(enable ? "EnableCommandControls(true)" : "EnableCommandControls(false)");
}

void RecordingHost::ShowCapturedImage(const std::filesystem::path& file) {
  capturedImages.push_back(file);
  calls.push_back("ShowCapturedImage(" + file.string() + ")");
}

void RecordingHost::ReceiveBlock(const WaveformBlock& block) {
  receivedBlocks.push_back(block);
  calls.push_back("ReceiveBlock");
}

void RecordingHost::setCaptureButtonEnabled(bool enable) {
  captureButton = enable;
  calls.push_back(enable ? "setCaptureButtonEnabled(true)" : "setCaptureButtonEnabled(false)");
}

void RecordingHost::resetRunButton() {
  calls.push_back("resetRunButton");
}

}  // namespace corvane
