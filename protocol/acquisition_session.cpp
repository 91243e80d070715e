#include "protocol/acquisition_session.h"

#include <string>

namespace corvane {

AcquisitionSession::AcquisitionSession(TimerService& timers, ProtocolHost& host,
                                       CaptureFileWriter& captureWriter,
                                       std::unique_ptr<FtdiBackend> usbBackend, SerialOs& serialOs,
                                       IoWatchService* watches)
    : host_(host),
      captureWriter_(captureWriter, *this),
      userCaptureWriter_(captureWriter),
      replyTimeout_(timers.createTimer(kReplyTimeoutMs, [this] { onReplyTimeout(); })),
      focusKeeper_(timers.createTimer(kFocusIntervalMs, [this] { onFocusKeeperTick(); })),
      usbPoll_(timers.createTimer(kUsbPollIntervalMs, [this] { onUsbPollTick(); })),
      realTimeLoop_(timers.createTimer(kLoopIntervalMs, [this] { onRealTimeLoopTick(); })),
      captureTimer_(timers.createTimer(kUsbPollIntervalMs, [this] { captureStep(); })),
      usbRetry_(timers.createTimer(kUsbRetryIntervalMs, [this] { usbPollStep(); })),
      watches_(watches),
      serialPort_(timers, serialOs, watches),
      usb_(std::move(usbBackend)),
      serialWriter_(serialPort_, [this](const SendResult& r) { onSerialWriteFailed(r); }),
      usbWriter_(usb_),
      exchange_(host, replyTimeout_.get(), captureWriter_,
                SendPath{&serialWriter_, &usbWriter_, [this] { return usb_.usbActive(); },
                         [this] { return linkChoice_.usbChosen; }},
                [this] { return realTimeLoop_->active(); }) {
  serialPort_.setComPort(pnCOM1);
  serialPort_.setComPortSpeed(br19200);
  serialPort_.setOnHangUp([this](CommPortDriver&) { onSerialHungUp(); });
  serialPort_.setOnReceiveData(
      [this](CommPortDriver& sender, const uint8_t* data, std::size_t size) {
        receiveData(&sender, data, static_cast<int32_t>(size));
      });
  UsbLinkCallbacks callbacks;
  callbacks.onError = [this](const std::string& text) { host_.showError(text); };
  callbacks.onReceive = [this](const uint8_t* data, int32_t size) {
    receiveData(&usb_, data, size);
  };
  callbacks.onPlugged = [this] { onUsbPlugged(); };
  callbacks.onUnplugged = [this] { onUsbUnplugged(); };
  usb_.setCallbacks(std::move(callbacks));
}

AcquisitionSession::~AcquisitionSession() {
  // No handler may run into a half-destroyed session.
  for (Timer* t : {replyTimeout_.get(), focusKeeper_.get(), usbPoll_.get(), realTimeLoop_.get(),
                   captureTimer_.get(), usbRetry_.get()}) {
    t->stop();
  }
  usbPollOn_ = false;
  updateUsbWatches();
  serialPort_.setOnReceiveData({});
  serialPort_.setOnHangUp({});
  usb_.setCallbacks({});
}

// ---------------------------------------------------------------- main window life

void AcquisitionSession::startUp(const PortSettings& settings) {
  applyPortSettings(settings);
  const bool usbOpened = usb_.openAtStartUp();
  if (!usbOpened) {
    linkChoice_.usbAvailable = false;
    chooseSerialLink();
  }
  host_.setFrameRateText(kFrameRateText);
  if (!usbOpened) host_.showInformation(kUsbNotAvailableText);
}

void AcquisitionSession::firstShow(const WaveformBlock* restored) {
  startIfStopped(*focusKeeper_);
  if (usbChosenAtFirstShow(linkChoice_, restored)) {
    chooseUsbLink();
  } else {
    chooseSerialLink();
  }
}

void AcquisitionSession::closeAtExit() {
  stopUsbPoll();
  captureTimer_->stop();
  usb_.closeAtExit();
}

// ---------------------------------------------------------------- link choice

bool AcquisitionSession::applyPortSettings(const PortSettings& settings) {
  serialReturnReadable_.reset();
  serialReturn_.reset();
  const bool opened = corvane::applyPortSettings(serialPort_, settings, host_);
  host_.linkHealthChanged();
  return opened;
}

bool AcquisitionSession::chooseUsbLink() {
  if (!linkChoice_.usbAvailable) return false;
  exchange_.block.setLinkUsb(1);
  linkChoice_.usbChosen = true;
  linkChoice_.serialChosen = false;
  startUsbPoll();
  host_.linkHealthChanged();
  return true;
}

void AcquisitionSession::chooseSerialLink() {
  stopUsbPoll();
  exchange_.block.setLinkUsb(0);
  linkChoice_.usbChosen = false;
  linkChoice_.serialChosen = true;
  host_.linkHealthChanged();
}

// ---------------------------------------------------------------- focus keeper

void AcquisitionSession::onFocusKeeperTick() {
  if (focusHost_ != nullptr && !focusHost_->anyScopeWindowInUse()) focusHost_->focusHiddenEdit();
}

void AcquisitionSession::receiveData(const void* sender, const uint8_t* data, int32_t size) {
  const uint64_t replies = exchange_.framer.framesDecoded();
  exchange_.framer.receiveData(sender, data, size);
  if (exchange_.framer.framesDecoded() != replies) lastReply_ = std::chrono::steady_clock::now();
  host_.linkHealthChanged();
  endAutoSetWait();
  advance();
}

void AcquisitionSession::requestExit() {
  exitRequested_ = true;
  advance();
}

// ---------------------------------------------------------------- sequences

void AcquisitionSession::advance() {
  // A host call made from a step (a hand-over, a finish callback) may come back here.
  if (advancing_) {
    advanceAgain_ = true;
    return;
  }
  advancing_ = true;
  do {
    advanceAgain_ = false;
    advanceLoad();
    if (serialCapture_ && serialCaptureWritten_) finishSerialCapture();
    keepReplyTimeoutRunning();
  } while (advanceAgain_);
  advancing_ = false;
}

bool AcquisitionSession::captureRunning() const {
  return capturePhase_ != CapturePhase::kIdle || serialCapture_;
}

}  // namespace corvane
