// Measurements and status texts of one realistic record: a noisy 1 kHz square wave on CH1 and a
// sine on CH2, as the real-time loop hands them over about 20 times a second.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

#include "analysis/measurements.h"
#include "scope/status_texts.h"

namespace {

corvane::WaveformBlock noisyRecord() {
  corvane::WaveformBlock b;
  b.setTimeDivIndex(15);
  b.setCh1VoltDivIndex(7);
  b.setCh2VoltDivIndex(7);
  b.setCh1Position(175);
  b.setCh2Position(275);
  b.setTriggerLevel(175);
  std::mt19937 rng(7);
  std::normal_distribution<double> noise(0.0, 1.5);
  for (int i = 0; i < corvane::kPointCount; ++i) {
    bool high = (i / 125) % 2 == 0;
    b.setCh1Samples(i, static_cast<uint16_t>(std::lround(177 + (high ? 50 : 0) + noise(rng))));
    b.setCh2Samples(
        i, static_cast<uint16_t>(std::lround(77 + 40 * std::sin(i * 0.0628) + noise(rng))));
  }
  return b;
}

void BM_MeasureChannels(benchmark::State& state) {
  corvane::WaveformBlock b = noisyRecord();
  auto scales = corvane::recordScales(b);
  for (auto _ : state) {
    auto m = corvane::MeasureChannels(b, scales);
    benchmark::DoNotOptimize(m);
  }
}
BENCHMARK(BM_MeasureChannels);

void BM_FillScopeInformation(benchmark::State& state) {
  corvane::WaveformBlock b = noisyRecord();
  for (auto _ : state) {
    auto s = corvane::FillScopeInformation(b);
    benchmark::DoNotOptimize(s);
  }
}
BENCHMARK(BM_FillScopeInformation);

}  // namespace

BENCHMARK_MAIN();
