// The real-time loop: between RUN and STOP, every 50 ms tick hands the latest record to the scope
// window and, in turn, asks for the status (200/9) and the waveform (200/3). A tick whose request
// is still unanswered only counts; a frame parked by a control waits for a quiet tick of its own.
#include <string>

#include "analysis/value_tables.h"
#include "protocol/acquisition_session.h"

namespace corvane {

namespace {

constexpr uint8_t kFirstWaveformTimeDiv = 6;  // faster time bases carry no 203 waveform
constexpr uint8_t kLastWaveformTimeDiv = 23;

}  // namespace

void AcquisitionSession::startLoop(int window) {
  if (!loopRunning()) loopWindow_ = window;
  startIfStopped(*realTimeLoop_);
}

void AcquisitionSession::stopLoop() {
  const bool wasRunning = loopRunning();
  realTimeLoop_->stop();
  if (wasRunning) host_.loopStopped(loopWindow_);
  CommandSender& sender = exchange_.sender;
  if (sender.PendingFlag()) {
    // Without the loop nothing would ever send a frame still waiting in the slot.
    const bool unsent =
        pendingTicks_ <= kPendingSendTick || sender.parkedFrames() != sentParkCount_;
    sender.clearPendingFlag();
    pendingTicks_ = 0;
    if (unsent) sender.SendFrame(sender.PendingCommand());
  }
}

void AcquisitionSession::onRealTimeLoopTick() {
  ExchangeFlags& f = exchange_.flags;
  if (f.ReplyReady && !slowReply_) {
    CommandSender& sender = exchange_.sender;
    if (sender.PendingFlag()) {
      if (pendingTicks_ == kPendingSendTick) {
        if (replyTimeout_->interval() > kSlowReplyAboveMs) slowReply_ = true;
        sentParkCount_ = sender.parkedFrames();
        sender.SendFrame(sender.PendingCommand());
      }
      ++pendingTicks_;
      if (pendingTicks_ == kPendingEndTick) {
        pendingTicks_ = 0;
        // A frame parked after the slot's frame went out gets a pause of its own instead of
        // being dropped with the flag.
        if (sender.parkedFrames() == sentParkCount_) sender.clearPendingFlag();
      }
    } else {
      host_.ReceiveBlock(exchange_.block);
      const uint8_t p = loopPhase_ % 4;
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
      loopPhase_ = loopPhase_ == 3 ? 0 : static_cast<uint8_t>(loopPhase_ + 1);
      if (loopPhase_ % 4 == 1 && waitTicks_ != 0) {
        const int64_t rate = roundHalfEven(1000.0 / (waitTicks_ * 50.0));
        host_.setFrameRateText(std::string(kFrameRateText) + std::to_string(rate));
      }
      waitTicks_ = 0;
    }
  } else {
    ++waitTicks_;
  }
  if (waitTicks_ == kWaitTicksRestart) {
    startIfStopped(*replyTimeout_);
    waitTicks_ = 0;
  }
}

}  // namespace corvane
