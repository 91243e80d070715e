// The FTDI bridge's latency timer: the chip hands data to USB in 62-byte packets and holds a
// partial packet until its latency timer runs out. Over the output queue of the simulator it holds
// the last partial packet of each reply for a set time after everything before it has gone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>

namespace corvane::sim {

class ReplyTailHold {
 public:
  static constexpr std::size_t kPacketPayload = 62;  // a 64-byte packet less its 2 status bytes

  // 0 ms holds nothing.
  explicit ReplyTailHold(int latencyMs);

  // A reply of `length` bytes was queued and ends at position `end` of the output queue.
  void replyQueued(std::size_t end, std::size_t length);
  // Where output at queue position `pos` must stop for now at nowUs (the queue's end when
  // nothing holds). The hold's clock starts when pos first reaches a held tail.
  std::size_t limit(std::size_t pos, std::size_t end, int64_t nowUs);
  // Microseconds until a started hold releases; -1 when none is running.
  int64_t waitUs(int64_t nowUs) const;
  // The queue was emptied (every position passed) or dropped: forget every hold.
  void clear();

 private:
  struct Hold {
    std::size_t at;          // first byte of the held tail
    int64_t releaseUs = -1;  // -1 until output reached `at`
  };
  int64_t latencyUs_;
  std::deque<Hold> holds_;
};

}  // namespace corvane::sim
