// Receive framing shared by both links: counts the bytes, assembles STX ... ETX reply frames out of
// chunks cut anywhere, controls the reply time-out, rejects frames too short for a header
// and hands complete frames to the decoder. Every complete frame, whatever became of it, releases
// the waiting requester through ReplyReady.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "link/timer_service.h"
#include "protocol/exchange_flags.h"
#include "protocol/protocol_host.h"
#include "protocol/reply_sink.h"

namespace corvane {

class ReceiveFramer {
 public:
  ReceiveFramer(ExchangeFlags& flags, ReplySink& sink, ProtocolHost& host, Timer* replyTimer);

  // The serial driver's OnReceiveData and the USB poll both deliver here. The sender is not used;
  // the bytes are only read during the call; a negative size counts as 0.
  void receiveData(const void* sender, const uint8_t* data, int32_t size);
  void receiveData(std::span<const uint8_t> chunk);

  void setReplyTimer(Timer* replyTimer) { replyTimer_ = replyTimer; }

  std::span<const uint8_t, kFrameBufSize> FrameBuf() const { return FrameBuf_; }
  int32_t FramePos() const { return FramePos_; }
  bool InFrame() const { return InFrame_; }
  // Bytes received since start-up on either link, dropped ones included.
  int64_t RXTotal() const { return RXTotal_; }
  // Bytes since start-up that reached no decoder: outside any frame, in a frame given up for a
  // later STX or an overflow, or in a frame too short for its header.
  uint64_t discardedBytes() const { return discardedBytes_; }
  // Complete frames with a whole header since start-up (handed to the decoder).
  uint64_t framesDecoded() const { return framesDecoded_; }

 private:
  void dropFrame();
  void completeFrame(bool countMalformed);
  void startReplyTimer();
  void clearFrameBuf();

  ExchangeFlags& flags_;
  ReplySink& sink_;
  ProtocolHost& host_;
  Timer* replyTimer_;
  std::array<uint8_t, kFrameBufSize> FrameBuf_{};
  // Bytes at and beyond this index are zero, so clearing FrameBuf only touches what was written.
  std::size_t written_ = 0;
  int32_t FramePos_ = 0;
  bool InFrame_ = false;
  int64_t RXTotal_ = 0;
  uint64_t discardedBytes_ = 0;
  uint64_t framesDecoded_ = 0;
  // Bytes of the frame being assembled, its STX included.
  std::size_t openFrameBytes() const {
    return InFrame_ ? static_cast<std::size_t>(FramePos_) + 1 : 0;
  }
};

}  // namespace corvane
