// Loses every n-th request on its way into the simulated instrument, as a noisy line would: the
// bytes from its STX to its ETX never reach the model, so it stays unanswered.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace corvane::sim {

class RequestDropper {
 public:
  // 0 drops nothing.
  explicit RequestDropper(uint64_t every) : every_(every) {}

  // The bytes to hand on; a frame may be cut anywhere across calls.
  std::string filter(std::string_view bytes);
  uint64_t dropped() const { return dropped_; }
  // The peer closed the line: a frame in progress ends.
  void reset() { dropping_ = false; }

 private:
  uint64_t every_;
  uint64_t frames_ = 0;
  uint64_t dropped_ = 0;
  bool dropping_ = false;
};

}  // namespace corvane::sim
