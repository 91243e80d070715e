// The session's USB poll: reads the open device on readiness (or on ticks), and notices when the
// device is plugged in or pulled out.
#include <string>

#include "protocol/acquisition_session.h"

namespace corvane {

void AcquisitionSession::onUsbPollTick() {
  usb_.poll();
}

void AcquisitionSession::startUsbPoll() {
  usbPollOn_ = true;
  if (!usbOnReadiness()) {
    startIfStopped(*usbPoll_);
    return;
  }
  // A device that is not there is tried at once, then on every sign of its arrival.
  if (usb_.usbActive()) {
    updateUsbWatches();
  } else {
    usbPollStep();
  }
}

void AcquisitionSession::stopUsbPoll() {
  usbPollOn_ = false;
  usbPoll_->stop();
  updateUsbWatches();
}

void AcquisitionSession::usbPollStep() {
  if (!usbPollOn_) return;
  usb_.poll();
  updateUsbWatches();
}

void AcquisitionSession::updateUsbWatches() {
  const bool on = usbPollOn_ && usbOnReadiness();
  const int fd = on ? usb_.readinessFd() : -1;
  if (fd != usbReadableFd_ || !usbReadable_) {
    usbReadable_.reset();
    usbReadableFd_ = fd;
    if (fd >= 0) usbReadable_ = watches_->watchReadable(fd, [this] { usbPollStep(); });
  }
  // The folders stay watched while the device is open: a node that goes is an unplug too.
  if (on && !usbArrival_) {
    usbArrival_ = std::make_unique<FolderWatch>(usb_.arrivalFolders());
    if (usbArrival_->valid()) {
      usbArrivalReadable_ = watches_->watchReadable(usbArrival_->fd(), [this] {
        if (usbArrival_) usbArrival_->drain();
        usbPollStep();
      });
    }
  } else if (!on) {
    usbArrivalReadable_.reset();
    usbArrival_.reset();
  }
  if (on && !usb_.usbActive()) {
    startIfStopped(*usbRetry_);
  } else {
    usbRetry_->stop();
  }
}

void AcquisitionSession::onUsbPlugged() {
  host_.linkHealthChanged();
  host_.showInformation(kUsbEnabledText);
}

void AcquisitionSession::onUsbUnplugged() {
  // The device is closed already: nothing may watch its old descriptor number.
  usbReadable_.reset();
  usbReadableFd_ = -1;
  const bool wasRunning = loopRunning();
  realTimeLoop_->stop();
  if (wasRunning) host_.loopStopped(loopWindow_);
  host_.resetRunButton();
  host_.linkHealthChanged();
  std::string device = usb_.devicePath();
  if (device.empty()) device = "USB";
  host_.showErrorDetail(kUsbDisabledText,
                        device +
                            ": the USB bridge stopped answering, it was unplugged or switched off. "
                            "Plug it in again; Corvane opens it again when it returns.");
}

}  // namespace corvane
