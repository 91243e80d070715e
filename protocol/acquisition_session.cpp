#include "protocol/acquisition_session.h"

#include <string>

#include "analysis/value_tables.h"

namespace corvane {

namespace {

// A timer started while running keeps its interval; a stopped one begins a full interval.
void startIfStopped(Timer& timer) {
  if (!timer.active()) timer.start();
}

constexpr uint8_t kFirstWaveformTimeDiv = 6;  // faster time bases carry no 203 waveform
constexpr uint8_t kLastWaveformTimeDiv = 23;
constexpr uint8_t kRecallTraceBelow = 5;
constexpr uint8_t kTimeoutTicksMax = 255;

}  // namespace

CaptureWriteResult AcquisitionSession::ObservedCaptureWriter::writeCapture(
    std::span<const uint8_t> bytes) {
  CaptureWriteResult result = inner_.writeCapture(bytes);
  if (session_.serialCapture_) session_.serialCaptureWritten_ = result.ok;
  return result;
}

AcquisitionSession::AcquisitionSession(TimerService& timers, ProtocolHost& host,
                                       CaptureFileWriter& captureWriter,
                                       std::unique_ptr<FtdiBackend> usbBackend, SerialOs& serialOs)
    : host_(host),
      captureWriter_(captureWriter, *this),
      userCaptureWriter_(captureWriter),
      Timer1_(timers.createTimer(kReplyTimeoutMs, [this] { Timer1Timer(); })),
      Timer2_(timers.createTimer(kFocusIntervalMs, [this] { Timer2Timer(); })),
      Timer3_(timers.createTimer(kUsbPollIntervalMs, [this] { Timer3Timer(); })),
      Timer4_(timers.createTimer(kLoopIntervalMs, [this] { Timer4Timer(); })),
      captureTimer_(timers.createTimer(kUsbPollIntervalMs, [this] { captureStep(); })),
      COMM_(timers, serialOs),
      usb_(std::move(usbBackend)),
      serialWriter_(COMM_),
      usbWriter_(usb_),
      exchange_(host, Timer1_.get(), captureWriter_,
                SendPath{&serialWriter_, &usbWriter_, [this] { return usb_.UsbActive(); },
                         [this] { return linkChoice_.USB1Checked; }},
                [this] { return Timer4_->active(); }) {
  COMM_.setComPort(pnCOM1);
  COMM_.setComPortSpeed(br19200);
  COMM_.setOnReceiveData([this](TCommPortDriver& sender, const uint8_t* data, std::size_t size) {
    COMMReceiveData(&sender, data, static_cast<int32_t>(size));
  });
  UsbLinkCallbacks callbacks;
  callbacks.onError = [this](const std::string& text) { host_.showError(text); };
  callbacks.onReceive = [this](const uint8_t* data, int32_t size) {
    COMMReceiveData(&usb_, data, size);
  };
  callbacks.onPlugged = [this] { onUsbPlugged(); };
  callbacks.onUnplugged = [this] { onUsbUnplugged(); };
  usb_.setCallbacks(std::move(callbacks));
}

AcquisitionSession::~AcquisitionSession() {
  // No handler may run into a half-destroyed session.
  for (Timer* t :
       {Timer1_.get(), Timer2_.get(), Timer3_.get(), Timer4_.get(), captureTimer_.get()}) {
    t->stop();
  }
  COMM_.setOnReceiveData({});
  usb_.setCallbacks({});
}

// ---------------------------------------------------------------- main window life

void AcquisitionSession::startUp(const PortSettings& settings) {
  ApplyPortSettings(settings);
  if (!usb_.openAtStartUp()) {
    host_.showInformation(kUsbNotAvailableText);
    linkChoice_.USB1Enabled = false;
    Com1Click();
  }
  host_.setLabel1(kFrameRateText);
}

void AcquisitionSession::firstShow(const WaveformBlock* restored) {
  startIfStopped(*Timer2_);
  if (usbChosenAtFirstShow(linkChoice_, restored)) {
    USB1Click();
  } else {
    Com1Click();
  }
}

void AcquisitionSession::closeAtExit() {
  Timer3_->stop();
  captureTimer_->stop();
  usb_.closeAtExit();
}

// ---------------------------------------------------------------- connection selection

bool AcquisitionSession::ApplyPortSettings(const PortSettings& settings) {
  return corvane::ApplyPortSettings(COMM_, settings, host_);
}

bool AcquisitionSession::USB1Click() {
  if (!linkChoice_.USB1Enabled) return false;
  startIfStopped(*Timer3_);
  exchange_.block.setLinkUsb(1);
  linkChoice_.USB1Checked = true;
  linkChoice_.Com1Checked = false;
  return true;
}

void AcquisitionSession::Com1Click() {
  Timer3_->stop();
  exchange_.block.setLinkUsb(0);
  linkChoice_.USB1Checked = false;
  linkChoice_.Com1Checked = true;
}

// ---------------------------------------------------------------- real-time loop

void AcquisitionSession::startLoop() {
  startIfStopped(*Timer4_);
}

void AcquisitionSession::stopLoop() {
  Timer4_->stop();
  CommandSender& sender = exchange_.sender;
  if (sender.PendingFlag()) {
    // Without the loop nothing would ever send a frame still waiting in the slot.
    const bool unsent =
        PendingTicks_ <= kPendingSendTick || sender.parkedFrames() != sentParkCount_;
    sender.clearPendingFlag();
    PendingTicks_ = 0;
    if (unsent) sender.SendFrame(sender.PendingCommand());
  }
}

void AcquisitionSession::Timer4Timer() {
  ExchangeFlags& f = exchange_.flags;
  if (f.ReplyReady && !SlowReply_) {
    CommandSender& sender = exchange_.sender;
    if (sender.PendingFlag()) {
      if (PendingTicks_ == kPendingSendTick) {
        if (Timer1_->interval() > kSlowReplyAboveMs) SlowReply_ = true;
        sentParkCount_ = sender.parkedFrames();
        sender.SendFrame(sender.PendingCommand());
      }
      ++PendingTicks_;
      if (PendingTicks_ == kPendingEndTick) {
        PendingTicks_ = 0;
        // A frame parked after the slot's frame went out gets a pause of its own instead of
        // being dropped with the flag.
        if (sender.parkedFrames() == sentParkCount_) sender.clearPendingFlag();
      }
    } else {
      host_.ReceiveBlock(exchange_.block);
      const uint8_t p = LoopPhase_ % 4;
      if (p == 1) {
        f.ReplyReady = false;
        sender.SendCommandFrameNow(200, {9});
      } else if (p == 3) {
        const uint8_t timeDiv = exchange_.block.TimeDivIndex();
        if (timeDiv >= kFirstWaveformTimeDiv && timeDiv <= kLastWaveformTimeDiv) {
          f.ReplyReady = false;
          sender.SendCommandFrameNow(200, {3});
        }
      }
      LoopPhase_ = LoopPhase_ == 3 ? 0 : static_cast<uint8_t>(LoopPhase_ + 1);
      if (LoopPhase_ % 4 == 1 && WaitTicks_ != 0) {
        const int64_t rate = roundHalfEven(1000.0 / (WaitTicks_ * 50.0));
        host_.setLabel1(std::string(kFrameRateText) + std::to_string(rate));
      }
      WaitTicks_ = 0;
    }
  } else {
    ++WaitTicks_;
  }
  if (WaitTicks_ == kWaitTicksRestart) {
    startIfStopped(*Timer1_);
    WaitTicks_ = 0;
  }
}

// ---------------------------------------------------------------- reply time-out

void AcquisitionSession::Timer1Timer() {
  Timer1_->stop();
  ExchangeFlags& f = exchange_.flags;
  if (SlowReply_) {
    SlowReply_ = false;
    Timer1_->setInterval(kReplyTimeoutMs);
    advance();
    return;
  }
  if (f.TimeoutTicks < kTimeoutTicksMax) ++f.TimeoutTicks;
  const int limit = loopRunning() ? kLoopTimeoutLimit : 1;
  // Reached, not only equalled: a count that passed the limit while a report was held back (or
  // while the loop ran) must still end in a report, not in a silent ReplyReady.
  if (f.TimeoutTicks >= limit && !f.TimedOut) {
    f.TimedOut = true;
    host_.showError(kReceiveTimeOutText);
    if (!Timer1_->active() && (!host_.captureButtonEnabled() || serialCapture_)) {
      // A capture that got no answer.
      host_.EnableCommandControls(true);
      host_.setCaptureButtonEnabled(true);
      if (serialCapture_) finishSerialCapture();
    }
    f.TimeoutTicks = 0;
  }
  if (!f.TimedOut) f.ReplyReady = true;
  advance();
}

// ---------------------------------------------------------------- focus and USB poll

void AcquisitionSession::Timer2Timer() {
  if (focusHost_ != nullptr && !focusHost_->anyScopeWindowInUse()) focusHost_->focusEdit1();
}

void AcquisitionSession::Timer3Timer() {
  usb_.poll();
}

void AcquisitionSession::onUsbPlugged() {
  host_.showInformation(kUsbEnabledText);
}

void AcquisitionSession::onUsbUnplugged() {
  host_.showError(kUsbDisabledText);
  Timer4_->stop();
  host_.resetRunButton();
}

void AcquisitionSession::COMMReceiveData(const void* Sender, const uint8_t* DataPtr,
                                         int32_t DataSize) {
  exchange_.framer.COMMReceiveData(Sender, DataPtr, DataSize);
  advance();
}

void AcquisitionSession::requestExit() {
  ExitRequested_ = true;
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
    keepTimer1Running();
  } while (advanceAgain_);
  advancing_ = false;
}

void AcquisitionSession::keepTimer1Running() {
  // Every wait ends through Timer1 if no answer comes. Timer1 may have stopped with the wait
  // still open: it expired while the loop paused for Auto Set, or a stray chunk stopped it.
  const ExchangeFlags& f = exchange_.flags;
  const bool loadWaits =
      loadStep_ != LoadStep::kIdle && !f.ReplyReady && !f.TimedOut && !ExitRequested_;
  const bool captureWaits = capturePhase_ == CapturePhase::kWaitFirstByte && !f.TimedOut;
  if ((loadWaits || captureWaits || serialCapture_) && !Timer1_->active()) Timer1_->start();
}

bool AcquisitionSession::captureRunning() const {
  return capturePhase_ != CapturePhase::kIdle || serialCapture_;
}

bool AcquisitionSession::LoadSetup() {
  if (!LoadFinished_ || captureRunning() || loopRunning()) return false;
  host_.EnableCommandControls(false);
  LoadFinished_ = false;
  exchange_.flags.TimedOut = false;
  exchange_.flags.LoadInProgress = true;
  loadStep_ = LoadStep::kVariant;
  loadWaiting_ = false;
  advance();
  return true;
}

void AcquisitionSession::advanceLoad() {
  const ExchangeFlags& f = exchange_.flags;
  while (loadStep_ != LoadStep::kIdle) {
    // Once TimedOut is set (or exit was asked for) the remaining requests go out without waiting.
    if (loadWaiting_ && !f.ReplyReady && !f.TimedOut && !ExitRequested_) return;
    loadWaiting_ = false;
    runLoadStep();
  }
}

void AcquisitionSession::loadRequest(uint16_t code) {
  exchange_.flags.ReplyReady = false;
  exchange_.sender.SendCommandFrameNow(code, {});
  startIfStopped(*Timer1_);
  loadWaiting_ = true;
}

void AcquisitionSession::loadDataRequest(uint16_t field) {
  exchange_.flags.ReplyReady = false;
  exchange_.sender.SendCommandFrameNow(200, {field});
  loadWaiting_ = true;
}

void AcquisitionSession::runLoadStep() {
  WaveformBlock& block = exchange_.block;
  switch (loadStep_) {
    case LoadStep::kIdle:
      return;
    case LoadStep::kVariant:
      loadStep_ = LoadStep::kAveraging;
      loadRequest(171);
      return;
    case LoadStep::kAveraging:
      loadStep_ = LoadStep::kRecallSelect;
      loadRequest(124);
      return;
    case LoadStep::kRecallSelect:
      loadStep_ = LoadStep::kTimeDiv;
      loadRequest(70);
      return;
    case LoadStep::kTimeDiv:
      loadStep_ = LoadStep::kStatus;
      loadRequest(block.VariantFlag() == 0 ? 31 : 32);
      return;
    case LoadStep::kStatus:
      loadStep_ = LoadStep::kRecallInfo;
      loadDataRequest(9);
      return;
    case LoadStep::kRecallInfo:
      loadStep_ = LoadStep::kWaveform;
      loadDataRequest(7);
      return;
    case LoadStep::kWaveform:
      loadStep_ = LoadStep::kRecallTrace;
      loadDataRequest(3);
      return;
    case LoadStep::kRecallTrace:
      loadStep_ = LoadStep::kLimits;
      block.setRecallShown(0);
      if (block.RecallSelect() < kRecallTraceBelow) {
        block.setRecallShown(1);
        loadDataRequest(5);
      }
      return;
    case LoadStep::kLimits:
      loadStep_ = LoadStep::kFinish;
      if (block.LimitsHidden() == 0) loadDataRequest(6);
      return;
    case LoadStep::kFinish:
      finishLoad();
      return;
  }
}

void AcquisitionSession::finishLoad() {
  loadStep_ = LoadStep::kIdle;
  loadWaiting_ = false;
  LoadFinished_ = true;
  host_.EnableCommandControls(true);
  const bool handOver = !exchange_.flags.TimedOut;
  if (handOver) host_.ReceiveBlock(exchange_.block);
  exchange_.flags.LoadInProgress = false;
  if (onLoadFinished_) onLoadFinished_(handOver);
}

// ---------------------------------------------------------------- screen capture

void AcquisitionSession::restoreUsbPoll() {
  if (linkChoice_.USB1Checked) {
    startIfStopped(*Timer3_);
  } else {
    Timer3_->stop();
  }
}

bool AcquisitionSession::captureScreen() {
  if (captureRunning() || !LoadFinished_) return false;
  host_.EnableCommandControls(false);
  host_.setCaptureButtonEnabled(false);
  Timer3_->stop();
  exchange_.capture.CaptureLen = 0;
  if (!linkChoice_.USB1Checked) {
    ExchangeFlags& f = exchange_.flags;
    f.TimedOut = false;
    startIfStopped(*Timer1_);
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
}

bool AcquisitionSession::CaptureScreenUsb() {
  if (captureRunning() || !LoadFinished_) return false;
  startUsbCapture(false);
  return true;
}

void AcquisitionSession::startUsbCapture(bool fromButton) {
  usbCaptureFromButton_ = fromButton;
  restartPollAfterCapture_ = Timer3_->active();
  Timer3_->stop();
  exchange_.flags.TimedOut = false;
  startIfStopped(*Timer1_);
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
        host_.showError(written.error);
        finishUsbCapture(false);
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
  // TimedOut keeps the still running Timer1 from reporting a time-out afterwards.
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
    startIfStopped(*Timer3_);
  }
  restartPollAfterCapture_ = false;
  if (onCaptureFinished_) onCaptureFinished_(imageWritten);
}

}  // namespace corvane
