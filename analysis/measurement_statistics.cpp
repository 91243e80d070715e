#include "analysis/measurement_statistics.h"

#include <algorithm>
#include <cmath>

namespace corvane {

MeasuredWaveform measureWaveform(const WaveformBlock& handedOver) {
  WaveformBlock copy = handedOver;  // measuring marks every point valid; the caller's stays as is
  return measuredWaveform(copy, MeasureChannels(copy, recordScales(copy)));
}

MeasuredWaveform measuredWaveform(const WaveformBlock& block, const Measurements& m) {
  return {recordScales(block), {block.Ch1Probe(), block.Ch2Probe()}, m.values};
}

void RunningStatistic::add(std::optional<double> value) {
  current_ = value;
  if (!value) return;
  const double x = *value;
  ++count_;
  if (count_ == 1) {
    mean_ = min_ = max_ = x;
    squaredDeviations_ = 0;
    return;
  }
  const double delta = x - mean_;
  mean_ += delta / static_cast<double>(count_);
  squaredDeviations_ += delta * (x - mean_);
  min_ = std::min(min_, x);
  max_ = std::max(max_, x);
}

std::optional<double> RunningStatistic::mean() const {
  if (count_ == 0) return std::nullopt;
  return mean_;
}
std::optional<double> RunningStatistic::minimum() const {
  if (count_ == 0) return std::nullopt;
  return min_;
}
std::optional<double> RunningStatistic::maximum() const {
  if (count_ == 0) return std::nullopt;
  return max_;
}
std::optional<double> RunningStatistic::standardDeviation() const {
  if (count_ == 0) return std::nullopt;
  return std::sqrt(std::max(0.0, squaredDeviations_ / static_cast<double>(count_)));
}

StatisticsReset MeasurementStatistics::add(const MeasuredWaveform& w) {
  StatisticsReset result = StatisticsReset::kNone;
  if (scales_ && !(*scales_ == w.scales)) {
    reset(StatisticsReset::kScaleChange);
    result = StatisticsReset::kScaleChange;
  }
  scales_ = w.scales;
  for (std::size_t i = 0; i < stats_.size(); ++i) stats_[i].add(w.values[i]);
  ++waveforms_;
  return result;
}

void MeasurementStatistics::reset(StatisticsReset cause) {
  for (auto& s : stats_) s.reset();
  waveforms_ = 0;
  lastReset_ = cause;
}

}  // namespace corvane
