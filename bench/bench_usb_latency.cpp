// What the FTDI bridge's latency timer costs the setup load ("Setup Para.") over the USB path.
// The kernel's FTDI driver holds a partial 62-byte packet until its latency timer runs out, 16 ms
// unless the driver is asked for low latency (1 ms). Every reply of the load ends in a partial
// packet, and the load asks its questions one after another, so each question waits for the timer
// once: about nine questions x 16 ms against nine x 1 ms.
//
// The instrument is the kv2040-sim executable with --usb and --latency-ms N, on a
// pseudo-terminal; the session is corvane-cli's, on real-time timers.
#include <benchmark/benchmark.h>

#include <chrono>
#include <optional>
#include <sstream>
#include <string>

#include "cli/link_bench.h"
#include "tests/support/sim_process.h"

namespace corvane {
namespace {

void BM_SetupLoadUsbLatency(benchmark::State& state) {
  const std::string latencyMs = std::to_string(state.range(0));
  test_support::SimProcess sim({"--usb", "--latency-ms", latencyMs});
  if (sim.path().empty()) {
    state.SkipWithError("the simulator did not start");
    return;
  }
  cli::LinkOptions o;
  o.usb = true;
  o.device = sim.path();
  std::ostringstream err;
  cli::Bench b(o, err);
  if (!b.session.usbActive()) {
    state.SkipWithError(("the USB path did not open: " + err.str()).c_str());
    return;
  }
  for (auto _ : state) {
    std::optional<bool> handedOver;
    b.session.setOnLoadFinished([&](bool h) { handedOver = h; });
    if (!b.session.startSetupLoad()) {
      state.SkipWithError("the load did not start");
      break;
    }
    b.timers.runUntil([&] { return handedOver.has_value(); }, std::chrono::seconds(10));
    if (!handedOver.value_or(false)) {
      state.SkipWithError("the load timed out");
      break;
    }
  }
  b.session.setOnLoadFinished({});
}
BENCHMARK(BM_SetupLoadUsbLatency)
    ->ArgName("latency_ms")
    ->Arg(16)
    ->Arg(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace corvane

BENCHMARK_MAIN();
