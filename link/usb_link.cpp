#include "link/usb_link.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace corvane {

UsbLink::UsbLink(std::unique_ptr<FtdiBackend> backend, UsbLinkCallbacks callbacks,
                 bool errorReports)
    : backend_(std::move(backend)),
      callbacks_(std::move(callbacks)),
      UsbErrorReports_(errorReports),
      UsbRxBuf_(std::make_unique<std::array<uint8_t, kUsbBufSize>>()),
      txBuf_(std::make_unique<std::array<uint8_t, kTransmitBufSize>>()) {}

UsbLink::~UsbLink() = default;

FtStatus UsbLink::UsbCall(FtdiFunction fn, FtStatus status) {
  if (UsbErrorReports_ && status != FT_OK && callbacks_.onError) {
    callbacks_.onError(usbErrorText(fn, status));
  }
  return status;
}

FtStatus UsbLink::open() {
  if (UsbHandle_ != 0) {
    backend_->close(UsbHandle_);
    UsbHandle_ = 0;
    usbActive_ = false;
  }
  return UsbCall(FtdiFunction::kOpen, backend_->open(UsbDeviceIndex_, UsbHandle_));
}

FtStatus UsbLink::close() {
  const FtStatus status = backend_->close(UsbHandle_);
  UsbHandle_ = 0;
  usbActive_ = false;
  return UsbCall(FtdiFunction::kClose, status);
}

FtStatus UsbLink::resetDevice() {
  return UsbCall(FtdiFunction::kResetDevice, backend_->resetDevice(UsbHandle_));
}

FtStatus UsbLink::setBaudRate() {
  return UsbCall(FtdiFunction::kSetBaudRate, backend_->setBaudRate(UsbHandle_, kBaudRate));
}

FtStatus UsbLink::setDataCharacteristics() {
  return UsbCall(
      FtdiFunction::kSetDataCharacteristics,
      backend_->setDataCharacteristics(UsbHandle_, FT_BITS_8, FT_STOP_BITS_1, FT_PARITY_NONE));
}

FtStatus UsbLink::setFlowControl() {
  return UsbCall(FtdiFunction::kSetFlowControl,
                 backend_->setFlowControl(UsbHandle_, FT_FLOW_NONE, kXon, kXoff));
}

FtStatus UsbLink::setTimeouts(uint32_t readMs, uint32_t writeMs) {
  return UsbCall(FtdiFunction::kSetTimeouts, backend_->setTimeouts(UsbHandle_, readMs, writeMs));
}

FtStatus UsbLink::getQueueStatus() {
  uint32_t waiting = 0;
  const FtStatus status = backend_->getQueueStatus(UsbHandle_, waiting);
  UsbRxQueue_ = status == FT_OK ? waiting : 0;
  return UsbCall(FtdiFunction::kGetQueueStatus, status);
}

uint32_t UsbLink::write(uint32_t length) {
  length = std::min<uint32_t>(length, kTransmitBufSize);
  uint32_t written = 0;
  const FtStatus status = backend_->write(UsbHandle_, txBuf_->data(), length, written);
  UsbCall(FtdiFunction::kWrite, status);
  return std::min(written, length);
}

uint32_t UsbLink::read(uint32_t max) {
  max = std::min<uint32_t>(max, kUsbBufSize);
  uint32_t got = 0;
  const FtStatus status = backend_->read(UsbHandle_, UsbRxBuf_->data(), max, got);
  lastReadStatus_ = status;
  UsbCall(FtdiFunction::kRead, status);
  return std::min(got, max);
}

void UsbLink::setUp() {
  resetDevice();
  setBaudRate();
  setDataCharacteristics();
  setFlowControl();
  setTimeouts(kLinkTimeoutMs, kLinkTimeoutMs);
}

bool UsbLink::openAtStartUp() {
  if (open() != FT_OK) {
    usbActive_ = false;
    return false;
  }
  usbActive_ = true;
  setUp();
  return true;
}

uint32_t UsbLink::sendFrame(const uint8_t* data, size_t length) {
  uint32_t total = 0;
  size_t done = 0;
  while (done < length) {
    const auto piece = static_cast<uint32_t>(std::min(length - done, kTransmitBufSize));
    std::memcpy(txBuf_->data(), data + done, piece);
    const uint32_t written = write(piece);
    total += written;
    done += piece;
    if (written < piece) break;  // time-out or failure: the rest would not go either
  }
  return total;
}

void UsbLink::deliver(uint32_t size) {
  if (!callbacks_.onReceive) return;
  for (uint32_t at = 0; at < size;) {
    const auto piece = static_cast<uint32_t>(std::min<size_t>(size - at, kMaxReceiveChunk));
    callbacks_.onReceive(UsbRxBuf_->data() + at, static_cast<int32_t>(piece));
    at += piece;
  }
}

UsbPollResult UsbLink::poll() {
  if (!usbActive_) {
    if (open() != FT_OK) return UsbPollResult::kAbsent;
    usbActive_ = true;
    setUp();
    if (callbacks_.onPlugged) callbacks_.onPlugged();
    return UsbPollResult::kPlugged;
  }
  if (getQueueStatus() != FT_OK) {
    close();
    if (callbacks_.onUnplugged) callbacks_.onUnplugged();
    return UsbPollResult::kUnplugged;
  }
  if (UsbRxQueue_ == 0) return UsbPollResult::kIdle;
  // An empty read is not handed on: the framer would take it as a chunk and stop the reply timer.
  const uint32_t got = read(kUsbBufSize);
  if (got == 0) return UsbPollResult::kIdle;
  deliver(got);
  return UsbPollResult::kReceived;
}

UsbCaptureWait UsbLink::captureWaitStep() {
  if (getQueueStatus() != FT_OK) return UsbCaptureWait::kFailed;
  return UsbRxQueue_ > 0 ? UsbCaptureWait::kReady : UsbCaptureWait::kWaiting;
}

uint32_t UsbLink::captureReadStep(UsbCaptureStream& stream) {
  const uint32_t got = read(kUsbBufSize);
  stream.append(UsbRxBuf_->data(), got);
  if (lastReadStatus_ != FT_OK) stream.markLost();
  return got;
}

}  // namespace corvane
