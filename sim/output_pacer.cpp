#include "sim/output_pacer.h"

#include <algorithm>

namespace corvane::sim {

OutputPacer::OutputPacer(int64_t baud, int bitsPerByte)
    : baud_(std::max<int64_t>(1, baud)), bitsPerByte_(std::max(1, bitsPerByte)) {}

int64_t OutputPacer::slotUs(int64_t k) const {
  // Rounded up, so that a byte's slot is exactly when allowance() first counts it.
  const int64_t bitTimes = k * 1'000'000 * bitsPerByte_;
  return anchorUs_ + (bitTimes + baud_ - 1) / baud_;
}

void OutputPacer::beginBurst(int64_t nowUs) {
  anchorUs_ = std::max(nowUs, slotUs(sent_));
  sent_ = 0;
}

std::size_t OutputPacer::allowance(int64_t nowUs) const {
  if (nowUs < anchorUs_) return 0;
  // Bytes whose slot has come: k = 0 .. floor((now - anchor) x baud / (1e6 x bits)).
  const int64_t due = (nowUs - anchorUs_) * baud_ / (1'000'000 * int64_t(bitsPerByte_)) + 1;
  return due > sent_ ? std::size_t(due - sent_) : 0;
}

int64_t OutputPacer::waitUs(int64_t nowUs) const {
  return std::max<int64_t>(0, slotUs(sent_) - nowUs);
}

}  // namespace corvane::sim
