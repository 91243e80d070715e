// Running statistics of the 18 automatic measurements over the waveforms handed over since the
// last reset. The window and the command line feed the same hand-overs and get the same figures.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "analysis/measurements.h"
#include "analysis/waveform_block.h"

namespace corvane {

// One handed-over waveform as statistics and the measurement log see it.
struct MeasuredWaveform {
  DisplayScales scales;         // the record's own volts/division and time/division indices
  std::array<int, 2> probes{};  // probe index of CH1 and CH2
  MeasuredValues values;        // at those scales, as the window measures on arrival
};

// Measures a copy of the record at its own scales, as the window does when it arrives.
MeasuredWaveform measureWaveform(const WaveformBlock& handedOver);
// The same for a record that the caller has already measured at its own scales.
MeasuredWaveform measuredWaveform(const WaveformBlock& block, const Measurements& m);

// Current, extremes, mean and spread of one measurement. The mean and the sum of squared
// deviations are Welford's running sums, which stay exact to the last digits over hours of
// nearly equal values where the textbook sum of squares cancels.
class RunningStatistic {
 public:
  // One waveform's value; empty (no edge, no period) changes nothing but the current value.
  void add(std::optional<double> value);
  void reset() { *this = RunningStatistic{}; }

  const std::optional<double>& current() const { return current_; }
  int64_t count() const { return count_; }
  // Empty while count() is 0.
  std::optional<double> mean() const;
  std::optional<double> minimum() const;
  std::optional<double> maximum() const;
  // Of the values seen (divided by the count, not count - 1): one value has a spread of 0.
  std::optional<double> standardDeviation() const;

 private:
  std::optional<double> current_;
  int64_t count_ = 0;
  double mean_ = 0, squaredDeviations_ = 0, min_ = 0, max_ = 0;
};

// Why the statistics last started afresh.
enum class StatisticsReset {
  kNone,         // never reset since they were made
  kOperator,     // the reset button
  kSetupLoad,    // "Setup Para."
  kScaleChange,  // a hand-over at other volts or time per division than the one before
};

class MeasurementStatistics {
 public:
  // Folds one hand-over in. Values taken at other CH1 or CH2 volts per division or another time
  // per division than the previous hand-over's are not pooled with it: the statistics start
  // afresh with this one, and the result says so (kScaleChange; otherwise kNone).
  StatisticsReset add(const MeasuredWaveform& w);
  void reset(StatisticsReset cause);

  // By measurementIndex(channel, quantity).
  const RunningStatistic& at(int index) const { return stats_[std::size_t(index)]; }
  int64_t waveforms() const { return waveforms_; }  // hand-overs since the last reset
  StatisticsReset lastReset() const { return lastReset_; }
  // The scales of the last hand-over, the scales every pooled value was taken at.
  const std::optional<DisplayScales>& scales() const { return scales_; }

 private:
  std::array<RunningStatistic, kMeasurementCount> stats_;
  int64_t waveforms_ = 0;
  StatisticsReset lastReset_ = StatisticsReset::kNone;
  std::optional<DisplayScales> scales_;
};

}  // namespace corvane
