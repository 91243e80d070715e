// What the simulator spends per request of the real-time loop and of a screen capture; at
// 921,600 bit/s a 203 reply takes about 33 ms on the wire, so these must stay far below that.
#include <benchmark/benchmark.h>

#include <string>

#include "sim/command_reader.h"
#include "sim/kv2040_model.h"

namespace {

using corvane::sim::Kv2040Model;
using corvane::sim::ModelOptions;

ModelOptions quiet() {
  ModelOptions o;
  o.diagnostics = [](std::string_view) {};
  return o;
}

void BM_WaveformReply(benchmark::State& state) {
  Kv2040Model model(quiet());
  const std::string request =
      "\x02"
      "020000040003"
      "0207"
      "\x03";
  for (auto _ : state) benchmark::DoNotOptimize(model.handleBytes(request));
}
BENCHMARK(BM_WaveformReply);

void BM_StatusReply(benchmark::State& state) {
  Kv2040Model model(quiet());
  const std::string request =
      "\x02"
      "020000040009"
      "0213"
      "\x03";
  for (auto _ : state) benchmark::DoNotOptimize(model.handleBytes(request));
}
BENCHMARK(BM_StatusReply);

void BM_ScreenImageReply(benchmark::State& state) {
  Kv2040Model model(quiet());
  const std::string request =
      "\x02"
      "0166000400000170"
      "\x03";
  for (auto _ : state) benchmark::DoNotOptimize(model.handleBytes(request));
}
BENCHMARK(BM_ScreenImageReply);

void BM_CommandReader(benchmark::State& state) {
  std::string burst;
  for (int i = 0; i < 100; ++i)
    burst +=
        "\x02"
        "0006000400080018"
        "\x03";
  corvane::sim::CommandReader reader;
  for (auto _ : state) benchmark::DoNotOptimize(reader.feed(burst));
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(burst.size()));
}
BENCHMARK(BM_CommandReader);

}  // namespace

BENCHMARK_MAIN();
