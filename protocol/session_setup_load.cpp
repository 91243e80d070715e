// The "Setup Para." load: one request after the other, each sent once the previous one was
// answered, rejected or given up by the reply time-out.
#include "protocol/acquisition_session.h"

namespace corvane {

namespace {

constexpr uint8_t kRecallTraceBelow = 5;

}  // namespace

bool AcquisitionSession::startSetupLoad() {
  if (!loadFinished_ || captureRunning() || loopRunning()) return false;
  host_.EnableCommandControls(false);
  loadFinished_ = false;
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
    if (loadWaiting_ && !f.ReplyReady && !f.TimedOut && !exitRequested_) return;
    loadWaiting_ = false;
    runLoadStep();
  }
}

void AcquisitionSession::loadRequest(uint16_t code) {
  exchange_.flags.ReplyReady = false;
  exchange_.sender.SendCommandFrameNow(code, {});
  startIfStopped(*replyTimeout_);
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
  loadFinished_ = true;
  host_.EnableCommandControls(true);
  const bool handOver = !exchange_.flags.TimedOut;
  if (handOver) host_.ReceiveBlock(exchange_.block);
  exchange_.flags.LoadInProgress = false;
  if (onLoadFinished_) onLoadFinished_(handOver);
}

}  // namespace corvane
