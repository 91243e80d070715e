// Paces bytes to a serial line's rate: byte k of a burst may leave k x (bits per byte / baud)
// seconds after the burst began, and a burst never begins before the line has finished the last.
#pragma once

#include <cstddef>
#include <cstdint>

namespace corvane::sim {

class OutputPacer {
 public:
  // bitsPerByte 10: start bit, 8 data bits, stop bit.
  explicit OutputPacer(int64_t baud, int bitsPerByte = 10);

  // Call when bytes are queued while none were waiting.
  void beginBurst(int64_t nowUs);
  // Bytes that may be written at nowUs.
  std::size_t allowance(int64_t nowUs) const;
  void consumed(std::size_t n) { sent_ += int64_t(n); }
  // Microseconds until the next byte may go (0: now).
  int64_t waitUs(int64_t nowUs) const;

 private:
  int64_t slotUs(int64_t k) const;

  int64_t baud_;
  int bitsPerByte_;
  int64_t anchorUs_ = 0;
  int64_t sent_ = 0;
};

}  // namespace corvane::sim
