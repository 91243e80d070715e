// The session's reply time-out: every wait for a reply ends through it when no answer comes, and
// Auto Set's long wait ends with its reply.
#include "protocol/acquisition_session.h"

namespace corvane {

namespace {

constexpr uint8_t kTimeoutTicksMax = 255;

}  // namespace

void AcquisitionSession::onReplyTimeout() {
  replyTimeout_->stop();
  ExchangeFlags& f = exchange_.flags;
  if (slowReply_) {
    slowReply_ = false;
    replyTimeout_->setInterval(kReplyTimeoutMs);
    advance();
    return;
  }
  // Outside the loop a long time-out was Auto Set's alone: it ends here.
  if (!loopRunning() && replyTimeout_->interval() != kReplyTimeoutMs) {
    replyTimeout_->setInterval(kReplyTimeoutMs);
  }
  if (f.TimeoutTicks < kTimeoutTicksMax) ++f.TimeoutTicks;
  ++timeouts_;
  host_.linkHealthChanged();
  const int limit = loopRunning() ? kLoopTimeoutLimit : 1;
  // Reached, not only equalled: a count that passed the limit while a report was held back (or
  // while the loop ran) must still end in a report, not in a silent ReplyReady.
  if (f.TimeoutTicks >= limit && !f.TimedOut) {
    f.TimedOut = true;
    f.TimeoutTicks = 0;
    if (!replyTimeout_->active() && (!host_.captureButtonEnabled() || serialCapture_)) {
      // A capture that got no answer.
      host_.EnableCommandControls(true);
      host_.setCaptureButtonEnabled(true);
      if (serialCapture_) finishSerialCapture();
    }
    host_.showError(kReceiveTimeOutText);
  }
  if (!f.TimedOut) f.ReplyReady = true;
  advance();
}

void AcquisitionSession::endAutoSetWait() {
  // Outside the loop the long time-out waits for Auto Set's reply only; the loop's pause ends on
  // its own expiry.
  if (replyTimeout_->interval() == kReplyTimeoutMs || loopRunning()) return;
  const ExchangeFlags& f = exchange_.flags;
  if (f.ReplyReady && !exchange_.framer.InFrame() && !replyTimeout_->active()) {
    replyTimeout_->setInterval(kReplyTimeoutMs);
  }
}

void AcquisitionSession::keepReplyTimeoutRunning() {
  // Every wait ends through the reply time-out if no answer comes. The time-out may have stopped
  // with the wait still open: it expired while the loop paused for Auto Set, or a stray chunk
  // stopped it.
  const ExchangeFlags& f = exchange_.flags;
  const bool loadWaits =
      loadStep_ != LoadStep::kIdle && !f.ReplyReady && !f.TimedOut && !exitRequested_;
  const bool captureWaits = capturePhase_ == CapturePhase::kWaitFirstByte && !f.TimedOut;
  if ((loadWaits || captureWaits || serialCapture_) && !replyTimeout_->active())
    replyTimeout_->start();
}

}  // namespace corvane
