// The instrument's screen capture: over the serial link a 166 request whose reply the decoder
// writes, over USB a stream read in 1 ms steps while the USB poll is paused (the capture's reads
// wait up to 500 ms for each block, so it keeps its steps on either path).
#include <string>

#include "protocol/acquisition_session.h"

namespace corvane {

CaptureWriteResult AcquisitionSession::ObservedCaptureWriter::writeCapture(
    std::span<const uint8_t> bytes) {
  CaptureWriteResult result = inner_.writeCapture(bytes);
  if (session_.serialCapture_) session_.serialCaptureWritten_ = result.ok;
  return result;
}

void AcquisitionSession::restoreUsbPoll() {
  if (linkChoice_.usbChosen) {
    startUsbPoll();
  } else {
    stopUsbPoll();
  }
}

bool AcquisitionSession::captureScreen(int window) {
  if (captureRunning() || !loadFinished_) return false;
  captureWindow_ = window;
  host_.EnableCommandControls(false);
  host_.setCaptureButtonEnabled(false);
  stopUsbPoll();
  exchange_.capture.CaptureLen = 0;
  if (!linkChoice_.usbChosen) {
    ExchangeFlags& f = exchange_.flags;
    f.TimedOut = false;
    startIfStopped(*replyTimeout_);
    serialCapture_ = true;
    serialCaptureWritten_.reset();
    exchange_.sender.SendSetting(0, 166);
    restoreUsbPoll();
    advance();
    return true;
  }
  startUsbCapture(true);
  return true;
}

void AcquisitionSession::finishSerialCapture() {
  const bool written = serialCaptureWritten_.value_or(false);
  serialCapture_ = false;
  serialCaptureWritten_.reset();
  // The decoder released the lock and, on success, showed the image; a failed write leaves the
  // capture button to enable here.
  if (!written) host_.setCaptureButtonEnabled(true);
  if (onCaptureFinished_) onCaptureFinished_(written);
  captureWindow_ = -1;
}

bool AcquisitionSession::captureScreenOverUsb() {
  if (captureRunning() || !loadFinished_) return false;
  startUsbCapture(false);
  return true;
}

void AcquisitionSession::startUsbCapture(bool fromButton) {
  usbCaptureFromButton_ = fromButton;
  restartPollAfterCapture_ = usbPollOn_;
  stopUsbPoll();
  exchange_.flags.TimedOut = false;
  startIfStopped(*replyTimeout_);
  usb_.setCaptureTimeouts();
  exchange_.sender.SendSetting(0, 166);
  stream_.emplace(std::span<uint8_t>(exchange_.capture.CaptureBuf), exchange_.capture.CaptureLen);
  host_.setRXTot("");
  capturePhase_ = CapturePhase::kWaitFirstByte;
  captureTimer_->start();
  advance();
}

void AcquisitionSession::captureStep() {
  ExchangeFlags& f = exchange_.flags;
  switch (capturePhase_) {
    case CapturePhase::kIdle:
      captureTimer_->stop();
      return;
    case CapturePhase::kWaitFirstByte:
      if (f.TimedOut) {
        finishUsbCapture(false);
        return;
      }
      switch (usb_.captureWaitStep()) {
        case UsbCaptureWait::kFailed:
          f.TimedOut = true;
          finishUsbCapture(false);
          return;
        case UsbCaptureWait::kReady:
          capturePhase_ = CapturePhase::kRead;
          break;
        case UsbCaptureWait::kWaiting:
          break;
      }
      advance();
      return;
    case CapturePhase::kRead: {
      if (usb_.captureReadStep(*stream_) > 0) {
        host_.setRXTot("(" + std::to_string(stream_->streamLength()) + ")");
        return;
      }
      // A stream cut off by a lost device, or one too long for CaptureBuf, is no image.
      if (stream_->lost() || stream_->overflowed()) {
        finishUsbCapture(false);
        return;
      }
      const CaptureWriteResult written = userCaptureWriter_.writeCapture(stream_->image());
      if (!written.ok) {
        finishUsbCapture(false);
        host_.showError(written.error);
        return;
      }
      exchange_.capture.CaptureLen = stream_->imageLength();
      finishUsbCapture(true, written.file);
      return;
    }
  }
}

void AcquisitionSession::finishUsbCapture(bool imageWritten, const std::filesystem::path& file) {
  ExchangeFlags& f = exchange_.flags;
  captureTimer_->stop();
  capturePhase_ = CapturePhase::kIdle;
  stream_.reset();
  // TimedOut keeps the still running reply time-out from reporting a time-out afterwards.
  f.TimedOut = true;
  f.ReplyReady = true;
  usb_.setLinkTimeouts();
  if (usbCaptureFromButton_) {
    usbCaptureFromButton_ = false;
    if (imageWritten) {
      host_.ShowCapturedImage(file);
    } else {
      host_.setCaptureButtonEnabled(true);
    }
    host_.EnableCommandControls(true);
    restoreUsbPoll();
  } else if (restartPollAfterCapture_) {
    startUsbPoll();
  }
  restartPollAfterCapture_ = false;
  if (onCaptureFinished_) onCaptureFinished_(imageWritten);
  captureWindow_ = -1;
}

}  // namespace corvane
