// The last hour of one scope window's 18 measurements, as the trend plot draws them: the values
// and the statistics as they stood after each hand-over, in buckets of a fifth of a second.
// Hand-overs faster than that share a bucket (the last one's figures stand for it), so an hour
// costs at most kCapacity buckets whatever the rate.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "analysis/measurement_statistics.h"

namespace corvane {

class MeasurementTrend {
 public:
  static constexpr int64_t kBucketMs = 200;
  static constexpr int64_t kSpanMs = 60 * 60 * 1000;
  static constexpr std::size_t kCapacity = std::size_t(kSpanMs / kBucketMs);

  // One measurement in a bucket; NaN where there is no figure. Floats: plotted, never summed.
  struct Cell {
    float value, mean, minimum, maximum;
  };
  struct Bucket {
    int64_t timeMs;  // of the bucket's last hand-over
    std::array<Cell, kMeasurementCount> cells;
  };

  // One hand-over at `timeMs` (milliseconds since the epoch), after `statistics` took it in.
  // A time before the last bucket's (a clock set back) joins the last bucket.
  void add(int64_t timeMs, const MeasuredWaveform& w, const MeasurementStatistics& statistics);
  void clear();

  std::size_t size() const { return size_; }
  // Oldest first.
  const Bucket& at(std::size_t i) const { return ring_[(head_ + i) % ring_.size()]; }
  // The first bucket at or after `timeMs`; size() when there is none.
  std::size_t firstAtOrAfter(int64_t timeMs) const;

 private:
  Bucket& slot(std::size_t i) { return ring_[(head_ + i) % ring_.size()]; }
  void dropOlderThan(int64_t timeMs);
  void dropOldest();

  std::vector<Bucket> ring_;  // grows to kCapacity, then wraps
  std::size_t head_ = 0, size_ = 0;
};

}  // namespace corvane
