// Cost of the serial driver on a pseudo-terminal: an idle poll tick (every 50 ms for the whole
// run), one command frame out, and one buffer-sized chunk in.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <string>

#include "link/comm_port_driver.h"

namespace corvane {
namespace {

struct PtyRig {
  int master = -1;
  int slave = -1;
  ManualTimerService timers;
  CommPortDriver driver{timers};
  std::size_t received = 0;

  PtyRig() {
    char name[128] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) return;
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    PortDevices devices;
    devices.set(1, name);
    driver.setPortDevices(devices);
    driver.setComPort(pnCOM1);
    driver.setOnReceiveData(
        [this](CommPortDriver&, const std::uint8_t*, std::size_t n) { received += n; });
    driver.connect();
  }
  ~PtyRig() {
    driver.disconnect();
    close(master);
    close(slave);
  }
  bool ok() const { return driver.connected(); }
};

void BM_IdlePollTick(benchmark::State& state) {
  PtyRig rig;
  if (!rig.ok()) return state.SkipWithError("no pseudo-terminal");
  for (auto _ : state) rig.timers.advance(50);
  state.SetLabel("one 50 ms tick with nothing to read");
}
BENCHMARK(BM_IdlePollTick);

// The manual clock's own cost of stepping 50 ms, to subtract from the tick above.
void BM_ManualClockStepOnly(benchmark::State& state) {
  PtyRig rig;
  rig.driver.disconnect();
  for (auto _ : state) rig.timers.advance(50);
}
BENCHMARK(BM_ManualClockStepOnly);

void BM_SendCommandFrame(benchmark::State& state) {
  PtyRig rig;
  if (!rig.ok()) return state.SkipWithError("no pseudo-terminal");
  const std::string frame =
      "\x02"
      "0201000400010001\x03";
  char sink[256];
  for (auto _ : state) {
    SendResult r = rig.driver.send(frame.data(), frame.size());
    benchmark::DoNotOptimize(r);
    std::size_t got = 0;
    while (got < frame.size()) {
      pollfd p{rig.master, POLLIN, 0};
      if (::poll(&p, 1, 100) != 1) break;
      ssize_t n = read(rig.master, sink, sizeof sink);
      if (n > 0) got += static_cast<std::size_t>(n);
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * frame.size()));
}
BENCHMARK(BM_SendCommandFrame);

void BM_ReceiveChunk(benchmark::State& state) {
  PtyRig rig;
  if (!rig.ok()) return state.SkipWithError("no pseudo-terminal");
  const std::string chunk(2048, 'w');
  for (auto _ : state) {
    if (write(rig.master, chunk.data(), chunk.size()) != static_cast<ssize_t>(chunk.size())) {
      return state.SkipWithError("master write failed");
    }
    const std::size_t target = rig.received + chunk.size();
    while (rig.received < target) {
      pollfd p{rig.slave, POLLIN, 0};
      if (::poll(&p, 1, 100) != 1) return state.SkipWithError("nothing arrived");
      rig.timers.advance(50);
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * chunk.size()));
}
BENCHMARK(BM_ReceiveChunk);

}  // namespace
}  // namespace corvane

BENCHMARK_MAIN();
