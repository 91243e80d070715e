// Cost of one tick of the 1 ms USB poll: while no device is there (a discovery and a failed open
// every tick), while open and idle (queue status), and while a waveform reply comes in.
#include <benchmark/benchmark.h>

#include "link/ftdi_sio_backend.h"
#include "link/usb_link.h"
#include "tests/link/usb_test_support.h"

namespace corvane {
namespace {

using usbtest::FakeKernelTree;
using usbtest::Pty;

void BM_PollAbsentRealSysfs(benchmark::State& state) {
  UsbLink link(std::make_unique<FtdiSioBackend>());
  for (auto _ : state) benchmark::DoNotOptimize(link.poll());
}
BENCHMARK(BM_PollAbsentRealSysfs);

// Another maker's USB serial adapter is plugged in, among a hundred other ttys.
void BM_PollAbsentOtherVendorPort(benchmark::State& state) {
  FakeKernelTree tree;
  for (int i = 0; i < state.range(0); ++i) tree.addPlatformPort("tty" + std::to_string(i));
  tree.addUsbPort(0, "067b");
  UsbLink link(std::make_unique<FtdiSioBackend>(
      FtdiSioConfig{{tree.sys().string(), tree.dev().string()}, ""}));
  for (auto _ : state) benchmark::DoNotOptimize(link.poll());
}
BENCHMARK(BM_PollAbsentOtherVendorPort)->Arg(100);

void BM_PollAbsentConfiguredPath(benchmark::State& state) {
  UsbLink link(std::make_unique<FtdiSioBackend>(FtdiSioConfig{{}, "/dev/ttyUSB-none"}));
  for (auto _ : state) benchmark::DoNotOptimize(link.poll());
}
BENCHMARK(BM_PollAbsentConfiguredPath);

void BM_PollOpenIdle(benchmark::State& state) {
  Pty pty;
  UsbLink link(std::make_unique<FtdiSioBackend>(FtdiSioConfig{{}, pty.slavePath}));
  if (!link.openAtStartUp()) {
    state.SkipWithError("no pty");
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(link.poll());
}
BENCHMARK(BM_PollOpenIdle);

// A waveform reply of about 3,000 characters, from the instrument's write to the framer.
void BM_PollReceiveReply(benchmark::State& state) {
  Pty pty;
  size_t received = 0;
  UsbLinkCallbacks cb;
  cb.onReceive = [&](const uint8_t*, int32_t n) { received += size_t(n); };
  UsbLink link(std::make_unique<FtdiSioBackend>(FtdiSioConfig{{}, pty.slavePath}), cb);
  if (!link.openAtStartUp()) {
    state.SkipWithError("no pty");
    return;
  }
  std::vector<uint8_t> reply(3000, '5');
  reply.front() = 0x02;
  reply.back() = 0x03;
  for (auto _ : state) {
    received = 0;
    pty.send(reply);
    for (int i = 0; i < 100000 && received < reply.size(); ++i) link.poll();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(reply.size()));
}
BENCHMARK(BM_PollReceiveReply);

}  // namespace
}  // namespace corvane

BENCHMARK_MAIN();
