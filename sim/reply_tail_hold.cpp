#include "sim/reply_tail_hold.h"

#include <algorithm>

namespace corvane::sim {

ReplyTailHold::ReplyTailHold(int latencyMs) : latencyUs_(int64_t(std::max(0, latencyMs)) * 1000) {}

void ReplyTailHold::replyQueued(std::size_t end, std::size_t length) {
  const std::size_t tail = length % kPacketPayload;
  if (latencyUs_ == 0 || tail == 0) return;
  holds_.push_back({end - tail});
}

std::size_t ReplyTailHold::limit(std::size_t pos, std::size_t end, int64_t nowUs) {
  while (!holds_.empty()) {
    Hold& h = holds_.front();
    if (pos < h.at) return h.at;
    if (h.releaseUs < 0) h.releaseUs = nowUs + latencyUs_;
    if (nowUs < h.releaseUs) return pos;
    holds_.pop_front();
  }
  return end;
}

int64_t ReplyTailHold::waitUs(int64_t nowUs) const {
  if (holds_.empty() || holds_.front().releaseUs < 0) return -1;
  return std::max<int64_t>(0, holds_.front().releaseUs - nowUs);
}

void ReplyTailHold::clear() {
  holds_.clear();
}

}  // namespace corvane::sim
