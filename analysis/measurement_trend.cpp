#include "analysis/measurement_trend.h"

#include <algorithm>
#include <limits>

namespace corvane {
namespace {

float figure(const std::optional<double>& v) {
  return v ? static_cast<float>(*v) : std::numeric_limits<float>::quiet_NaN();
}

}  // namespace

void MeasurementTrend::add(int64_t timeMs, const MeasuredWaveform& w,
                           const MeasurementStatistics& statistics) {
  Bucket* bucket = nullptr;
  if (size_ > 0) {
    Bucket& last = slot(size_ - 1);
    if (timeMs / kBucketMs <= last.timeMs / kBucketMs) {
      bucket = &last;
      timeMs = std::max(timeMs, last.timeMs);
    }
  }
  if (bucket == nullptr) {
    dropOlderThan(timeMs - kSpanMs);
    if (size_ == kCapacity) dropOldest();  // the hour's edges can hold one bucket more
    // Until it is full the ring's slots run unwrapped from head_ to its end, so a new one goes
    // at the end.
    if (ring_.size() < kCapacity) ring_.emplace_back();
    ++size_;
    bucket = &slot(size_ - 1);
  }
  bucket->timeMs = timeMs;
  for (int i = 0; i < kMeasurementCount; ++i) {
    const RunningStatistic& s = statistics.at(i);
    bucket->cells[std::size_t(i)] = {figure(w.values[std::size_t(i)]), figure(s.mean()),
                                     figure(s.minimum()), figure(s.maximum())};
  }
}

void MeasurementTrend::dropOldest() {
  // A growing ring never wraps: its slots stay in order up to its end.
  head_ = ring_.size() < kCapacity ? head_ + 1 : (head_ + 1) % kCapacity;
  --size_;
}

void MeasurementTrend::clear() {
  ring_.clear();
  head_ = size_ = 0;
}

void MeasurementTrend::dropOlderThan(int64_t timeMs) {
  while (size_ > 0 && at(0).timeMs < timeMs) dropOldest();
}

std::size_t MeasurementTrend::firstAtOrAfter(int64_t timeMs) const {
  std::size_t lo = 0, hi = size_;
  while (lo < hi) {
    const std::size_t mid = (lo + hi) / 2;
    if (at(mid).timeMs < timeMs) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  return lo;
}

}  // namespace corvane
