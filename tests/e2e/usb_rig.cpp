#include "tests/e2e/usb_rig.h"

#include <array>
#include <chrono>
#include <thread>

#include "link/ftdi_sio_backend.h"
#include "link/usb_link.h"

namespace corvane::e2e {

struct UsbRig::Impl {
  explicit Impl(std::string devicePath)
      : link(std::make_unique<FtdiSioBackend>(FtdiSioConfig{{}, std::move(devicePath)})) {}
  UsbLink link;
  std::array<uint8_t, kCaptureBufSize> captureBuf{};
};

UsbRig::UsbRig(std::string devicePath, Receive onReceive, std::function<void()> onUnplugged)
    : impl_(std::make_unique<Impl>(std::move(devicePath))) {
  impl_->link.setCallbacks({{},
                            std::move(onReceive),
                            [this] { ++plugged_; },
                            [this, onUnplugged = std::move(onUnplugged)] {
                              ++unplugged_;
                              if (onUnplugged) onUnplugged();
                            }});
}

UsbRig::~UsbRig() {
  impl_->link.closeAtExit();
}

bool UsbRig::openAtStartUp() {
  return impl_->link.openAtStartUp();
}

void UsbRig::poll() {
  impl_->link.poll();
}

bool UsbRig::active() const {
  return impl_->link.usbActive();
}

uintptr_t UsbRig::handle() const {
  return impl_->link.UsbHandle();
}

uint32_t UsbRig::sendFrame(std::string_view frame) {
  return impl_->link.sendFrame(reinterpret_cast<const uint8_t*>(frame.data()), frame.size());
}

UsbRig::Capture UsbRig::capture(const std::function<void()>& sendRequest, uint32_t readTimeoutMs,
                                int waitLimitMs) {
  UsbLink& link = impl_->link;
  Capture result;
  link.setTimeouts(readTimeoutMs, readTimeoutMs);
  sendRequest();
  const auto start = std::chrono::steady_clock::now();
  UsbCaptureWait wait = UsbCaptureWait::kWaiting;
  while ((wait = link.captureWaitStep()) == UsbCaptureWait::kWaiting &&
         std::chrono::steady_clock::now() - start < std::chrono::milliseconds(waitLimitMs)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  if (wait == UsbCaptureWait::kReady) {
    result.started = true;
    UsbCaptureStream stream(impl_->captureBuf, 0);
    while (link.captureReadStep(stream) > 0) {
    }
    result.streamLength = stream.streamLength();
    result.imageLength = stream.imageLength();
    result.lost = stream.lost();
    result.overflowed = stream.overflowed();
    const auto image = stream.image();
    result.image.assign(image.begin(), image.end());
  }
  link.setLinkTimeouts();
  return result;
}

}  // namespace corvane::e2e
