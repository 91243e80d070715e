#include "protocol/receive_framer.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "protocol/command_frame.h"
#include "protocol/parse_int.h"

namespace corvane {

namespace {
constexpr std::size_t kHeaderLength = 12;
constexpr uint8_t kStxByte = static_cast<uint8_t>(kStx);
constexpr uint8_t kEtxByte = static_cast<uint8_t>(kEtx);

int32_t headerField(std::span<const uint8_t> body, std::size_t pos) {
  return ParseIntOrZero(std::string_view(reinterpret_cast<const char*>(body.data() + pos), 4));
}
}  // namespace

ReceiveFramer::ReceiveFramer(ExchangeFlags& flags, ReplySink& sink, ProtocolHost& host,
                             Timer* replyTimer)
    : flags_(flags), sink_(sink), host_(host), replyTimer_(replyTimer) {}

void ReceiveFramer::receiveData(const void* /*sender*/, const uint8_t* data, int32_t size) {
  if (data == nullptr || size < 0) size = 0;
  receiveData(std::span<const uint8_t>(data, static_cast<std::size_t>(size)));
}

void ReceiveFramer::startReplyTimer() {
  if (replyTimer_) replyTimer_->start();
}

void ReceiveFramer::clearFrameBuf() {
  std::memset(FrameBuf_.data(), 0, written_);
  written_ = 0;
}

void ReceiveFramer::dropFrame() {
  clearFrameBuf();
  FramePos_ = 0;
  InFrame_ = false;
  flags_.ReplyReady = true;
  flags_.TimeoutTicks = 0;
}

void ReceiveFramer::receiveData(std::span<const uint8_t> chunk) {
  if (replyTimer_) replyTimer_->stop();
  flags_.TimedOut = false;
  RXTotal_ += static_cast<int64_t>(chunk.size());
  host_.setRXTot(std::to_string(RXTotal_));

  const std::size_t size = chunk.size();
  // A chunk longer than the buffer cannot be framed: the open frame is given up and the requester
  // released rather than left waiting for it.
  if (size > kFrameBufSize) {
    discardedBytes_ += openFrameBytes() + size;
    dropFrame();
    return;
  }

  bool strayEtx = false;
  std::ptrdiff_t stx = -1;
  std::ptrdiff_t etx = -1;
  for (std::size_t i = 0; i < size; ++i) {
    if (chunk[i] == kStxByte) {
      stx = static_cast<std::ptrdiff_t>(i);
    } else if (chunk[i] == kEtxByte) {
      etx = static_cast<std::ptrdiff_t>(i);
    }
  }

  if (stx >= 0 && etx >= 0) {
    clearFrameBuf();
    // An ETX before the STX ends the old frame and starts nothing: the empty body is rejected.
    if (etx > stx) {
      written_ = static_cast<std::size_t>(etx - stx - 1);
      std::memcpy(FrameBuf_.data(), chunk.data() + stx + 1, written_);
      // What stood before the STX (an open frame's end included) and after the ETX is lost.
      discardedBytes_ += openFrameBytes() + static_cast<std::size_t>(stx) + size -
                         static_cast<std::size_t>(etx) - 1;
    } else {
      discardedBytes_ += openFrameBytes() + size;
    }
    InFrame_ = false;
  } else if (stx >= 0) {
    discardedBytes_ += openFrameBytes() + static_cast<std::size_t>(stx);
    clearFrameBuf();
    const std::size_t tail = size - static_cast<std::size_t>(stx) - 1;
    if (tail > 0) std::memcpy(FrameBuf_.data(), chunk.data() + stx + 1, tail);
    written_ = tail;
    FramePos_ = static_cast<int32_t>(tail);
    InFrame_ = true;
    startReplyTimer();
    return;
  } else if (etx >= 0) {
    // The whole chunk, ETX and all, lands at FramePos, which is not advanced; this does not look
    // at InFrame, so a stray ETX re-reads the last frame.
    if (static_cast<std::size_t>(FramePos_) + size > kFrameBufSize) {
      discardedBytes_ += openFrameBytes() + size;
      dropFrame();
      return;
    }
    // A stray ETX's chunk is counted whole; the frame it re-reads was counted before.
    strayEtx = !InFrame_;
    discardedBytes_ += strayEtx ? size : size - static_cast<std::size_t>(etx) - 1;
    std::memcpy(FrameBuf_.data() + FramePos_, chunk.data(), size);
    written_ = std::max(written_, static_cast<std::size_t>(FramePos_) + size);
    InFrame_ = false;
  } else {
    if (InFrame_) {
      if (static_cast<std::size_t>(FramePos_) + size > kFrameBufSize) {
        discardedBytes_ += openFrameBytes() + size;
        dropFrame();
        return;
      }
      if (size > 0) std::memcpy(FrameBuf_.data() + FramePos_, chunk.data(), size);
      FramePos_ += static_cast<int32_t>(size);
      written_ = std::max(written_, static_cast<std::size_t>(FramePos_));
      startReplyTimer();
    } else {
      discardedBytes_ += size;
    }
    if (!InFrame_ && flags_.LoadInProgress) {
      // Stray bytes during a setup load keep its wait alive.
      flags_.TimedOut = false;
      startReplyTimer();
    }
    return;
  }
  completeFrame(!strayEtx);
}

void ReceiveFramer::completeFrame(bool countMalformed) {
  const bool headerComplete = std::all_of(FrameBuf_.begin(), FrameBuf_.begin() + kHeaderLength,
                                          [](uint8_t b) { return b != 0; });
  if (headerComplete) {
    const std::span<const uint8_t> body(FrameBuf_);
    const auto ReplyCode = static_cast<uint16_t>(headerField(body, 0));
    const auto ReplyCount = static_cast<uint16_t>(headerField(body, 4));
    const int32_t ReplyValue = headerField(body, 8);
    ++framesDecoded_;
    sink_.DecodeReply(ReplyCode, ReplyCount, ReplyValue, body);
  } else if (countMalformed) {
    // The frame's body, STX and ETX: too short to say what it was.
    discardedBytes_ += written_ + 2;
  }
  flags_.ReplyReady = true;
  flags_.TimeoutTicks = 0;
}

}  // namespace corvane
