#include "protocol/command_sender.h"

#include <algorithm>

#include "protocol/command_frame.h"

namespace corvane {

namespace {
constexpr uint16_t kPositionCodes[] = {119, 8, 28, 43, 93};
}

CommandSender::CommandSender(ProtocolHost& host, Timer* replyTimer, SendPath path,
                             std::function<bool()> loopRunning)
    : host_(host),
      replyTimer_(replyTimer),
      path_(std::move(path)),
      loopRunning_(std::move(loopRunning)) {}

bool CommandSender::usbSelected() const {
  return path_.usbActive && path_.usbActive() && path_.usbChosen && path_.usbChosen();
}

void CommandSender::parkOrSend(std::string frame) {
  if (loopRunning_ && loopRunning_()) {
    PendingCommand_ = std::move(frame);
    PendingFlag_ = true;
    ++parkedFrames_;
    return;
  }
  SendFrame(frame);
}

void CommandSender::SendCommandFrame(uint16_t code, std::span<const uint16_t> fields, uint16_t n) {
  parkOrSend(BuildCommandFrame(code, fields, n));
}

void CommandSender::SendCommandFrame(uint16_t code, std::initializer_list<uint16_t> fields) {
  SendCommandFrame(code, std::span<const uint16_t>(fields.begin(), fields.size()),
                   static_cast<uint16_t>(fields.size()));
}

void CommandSender::SendCommandFrameNow(uint16_t code, std::span<const uint16_t> fields,
                                        uint16_t n) {
  SendFrame(BuildCommandFrame(code, fields, n));
}

void CommandSender::SendCommandFrameNow(uint16_t code, std::initializer_list<uint16_t> fields) {
  SendCommandFrameNow(code, std::span<const uint16_t>(fields.begin(), fields.size()),
                      static_cast<uint16_t>(fields.size()));
}

void CommandSender::SendActionFrame(uint16_t first, uint16_t second) {
  parkOrSend(BuildActionFrame(first, second));
}

void CommandSender::SendSetting(uint16_t value, uint16_t code) {
  SendCommandFrame(code, {value});
}

void CommandSender::SendPosition(uint16_t value, int kind) {
  if (kind < 0 || kind >= static_cast<int>(std::size(kPositionCodes))) return;
  SendSetting(value, kPositionCodes[kind]);
}

void CommandSender::SendFrame(std::string_view frame, uint16_t length) {
  const std::string_view bytes = frame.substr(0, std::min<std::size_t>(length, frame.size()));
  std::string shown(bytes);
  shown += '(';
  shown += std::to_string(bytes.size());
  shown += ')';
  host_.setTxStr(shown);

  // Starting a running reply time-out must not restart the wait for an earlier frame's reply.
  if (replyTimer_ && !replyTimer_->active()) replyTimer_->start();

  // A failed write is the link's to report; only what went out is counted.
  std::size_t written = 0;
  if (usbSelected()) {
    if (path_.usb) written = path_.usb->usbWrite(bytes);
  } else if (path_.serial) {
    written = path_.serial->sendData(bytes);
  }

  TXTotal_ += static_cast<int64_t>(written);
  host_.setTXTot(std::to_string(TXTotal_));
}

}  // namespace corvane
