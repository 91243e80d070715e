// Where the receive framer delivers each complete frame (the reply decoder in the program).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace corvane {

// The frame body buffer: the largest reply, the 166 screen image at three digits per byte, fits.
inline constexpr std::size_t kFrameBufSize = 30001;

class ReplySink {
 public:
  virtual ~ReplySink() = default;
  // FrameBuf is the body after STX (index 0 = first digit of ReplyCode), valid during the call.
  virtual void DecodeReply(uint16_t ReplyCode, uint16_t ReplyCount, int32_t ReplyValue,
                           std::span<const uint8_t> FrameBuf) = 0;
};

}  // namespace corvane
