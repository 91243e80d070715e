// Measurements over time: the statistics update and the CSV log row of each hand-over, and an
// hour of RUN at five hand-overs a second through both, counted row by row.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "analysis/measurement_statistics.h"
#include "bench/noisy_waveforms.h"
#include "storage/measurement_log.h"

namespace {

using namespace corvane;

// Measured as the window measures them on arrival.
std::vector<MeasuredWaveform> handOvers(int n) {
  std::vector<MeasuredWaveform> out;
  for (const WaveformBlock& b : bench::noisyWaveforms(n, 11)) out.push_back(measureWaveform(b));
  return out;
}

std::string tempLogPath() {
  return "/tmp/corvane-bench-log-" + std::to_string(::getpid()) + ".csv";
}

void BM_StatisticsUpdate(benchmark::State& state) {
  const auto waves = handOvers(64);
  MeasurementStatistics stats;
  std::size_t i = 0;
  for (auto _ : state) {
    stats.add(waves[i++ % waves.size()]);
    benchmark::DoNotOptimize(stats.at(3));
  }
}
BENCHMARK(BM_StatisticsUpdate);

// The whole row: clock, text and the write to a file on the temporary file system.
void BM_LogRow(benchmark::State& state) {
  const auto waves = handOvers(64);
  const std::string path = tempLogPath();
  MeasurementLog log;
  if (!log.start(path)) state.SkipWithError("log did not start");
  int64_t n = 0;
  for (auto _ : state) {
    ++n;
    if (!log.append(n, waves[std::size_t(n) % waves.size()])) state.SkipWithError("row failed");
  }
  log.stop();
  ::unlink(path.c_str());
}
BENCHMARK(BM_LogRow);

// 18,000 hand-overs, the hour at five a second, as fast as they go: nothing may be dropped.
void BM_HourOfHandOvers(benchmark::State& state) {
  constexpr int64_t kHandOvers = 5 * 3600;
  const auto waves = handOvers(64);
  const std::string path = tempLogPath();
  int64_t rows = 0;
  for (auto _ : state) {
    MeasurementStatistics stats;
    MeasurementLog log;
    if (!log.start(path)) state.SkipWithError("log did not start");
    for (int64_t n = 1; n <= kHandOvers; ++n) {
      const MeasuredWaveform& w = waves[std::size_t(n) % waves.size()];
      stats.add(w);
      if (!log.append(n, w)) state.SkipWithError("row failed");
    }
    log.stop();
    state.PauseTiming();
    std::ifstream in(path);
    rows = -1;  // the header
    for (std::string line; std::getline(in, line);) ++rows;
    if (rows != kHandOvers || stats.waveforms() != kHandOvers)
      state.SkipWithError("hand-overs were dropped");
    state.ResumeTiming();
  }
  state.counters["rows"] = double(rows);
  state.counters["per_hand_over_us"] =
      benchmark::Counter(double(kHandOvers), benchmark::Counter::kIsIterationInvariantRate |
                                                 benchmark::Counter::kInvert);
  ::unlink(path.c_str());
}
BENCHMARK(BM_HourOfHandOvers)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
