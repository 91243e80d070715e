// The session's serial port once open: a failed write or a hang-up is reported once and closes the
// port, whose device is then watched for its return; and the link health the status bar shows.
#include <cstring>
#include <string>

#include "protocol/acquisition_session.h"

namespace corvane {
namespace {

constexpr const char* kReopenRemedy =
    "Plug the adapter in again or choose the port in Comm. Port Setup; Corvane opens it again "
    "when the device returns";

std::string systemMessage(int error) {
  return error != 0 ? std::string(" (") + std::strerror(error) + ")" : std::string();
}

}  // namespace

void AcquisitionSession::onSerialWriteFailed(const SendResult& result) {
  std::string what =
      result.status == SendStatus::kTimedOut
          ? "the device took no data for " + std::to_string(serialPort_.outputTimeout()) + " ms"
          : "a write failed" + systemMessage(serialPort_.lastError());
  what += ", " + std::to_string(result.written) + " bytes of a frame went out";
  onSerialLost(serialPort_.devicePath() + ": " + what + ". " + kReopenRemedy + ".");
}

void AcquisitionSession::onSerialHungUp() {
  const std::string device = serialPort_.portDevices().path(serialPort_.comPort() + 1);
  onSerialLost(device + ": the device hung up" + systemMessage(serialPort_.lastError()) +
               ": it was unplugged or the program at its other end closed it. " + kReopenRemedy +
               ".");
}

void AcquisitionSession::onSerialLost(const std::string& detail) {
  const std::string device = serialPort_.portDevices().path(serialPort_.comPort() + 1);
  serialPort_.disconnect();
  if (!linkChoice_.usbChosen) stopLoopForLostLink();
  watchSerialReturn(device);
  host_.linkHealthChanged();
  host_.showErrorDetail(kComPortSettingErrorText, detail);
}

void AcquisitionSession::stopLoopForLostLink() {
  const bool wasRunning = loopRunning();
  realTimeLoop_->stop();
  if (!wasRunning) return;
  // The loop's request will get no answer; a load or capture still waiting restarts the time-out.
  replyTimeout_->stop();
  host_.loopStopped(loopWindow_);
  host_.resetRunButton();
  advance();
}

void AcquisitionSession::watchSerialReturn(const std::string& device) {
  serialReturnReadable_.reset();
  serialReturn_.reset();
  if (watches_ == nullptr || device.empty()) return;
  // A by-id name goes with its folder when the last adapter goes; /dev sees every return.
  std::vector<std::string> folders{std::filesystem::path(device).parent_path().string()};
  if (folders.front() != "/dev") folders.emplace_back("/dev");
  serialReturn_ = std::make_unique<FolderWatch>(folders);
  if (!serialReturn_->valid()) {
    serialReturn_.reset();
    return;
  }
  serialReturnReadable_ =
      watches_->watchReadable(serialReturn_->fd(), [this] { serialReturnStep(); });
}

void AcquisitionSession::serialReturnStep() {
  if (!serialReturn_) return;
  serialReturn_->drain();
  if (!serialPort_.connect()) return;
  serialReturnReadable_.reset();
  serialReturn_.reset();
  host_.linkHealthChanged();
}

LinkHealth AcquisitionSession::linkHealth() const {
  LinkHealth h;
  h.usb = linkChoice_.usbChosen;
  if (h.usb) {
    h.port = "USB";
    h.device = usb_.devicePath();
    h.open = usb_.usbActive();
  } else {
    h.port = "COM" + std::to_string(serialPort_.comPort() + 1);
    h.device = serialPort_.portDevices().path(serialPort_.comPort() + 1);
    h.open = serialPort_.connected();
  }
  // A closed link has no reply to age.
  if (lastReply_ && h.open) {
    h.lastReplyAgeS =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - *lastReply_).count();
  }
  h.timeouts = timeouts_;
  h.discardedBytes = exchange_.framer.discardedBytes();
  return h;
}

}  // namespace corvane
