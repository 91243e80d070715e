// From a reply's last byte reaching the tty to the reply's hand-over to the framer (ReplyReady),
// on pseudo-terminals with the session on the steady clock, for the serial driver and the USB
// link; "Ticks" variants run the links on their poll timers, as the program did before they
// waited on readiness.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "cli/real_time_timers.h"
#include "link/ftdi_sio_backend.h"
#include "protocol/acquisition_session.h"
#include "protocol/null_host.h"
#include "sim/kv2040_model.h"

namespace corvane {
namespace {

struct PtyEnd {
  int master = -1, slave = -1;
  std::string path;
  PtyEnd() {
    char name[256] = {};
    termios raw{};
    cfmakeraw(&raw);
    if (::openpty(&master, &slave, name, &raw, nullptr) == 0) path = name;
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
  }
  ~PtyEnd() {
    ::close(master);
    ::close(slave);
  }
};

// arg 0: serial, 1: USB; arg 1: 1 = readiness, 0 = poll ticks.
void BM_ReplyToHandOver(benchmark::State& st) {
  const bool usb = st.range(0) == 1;
  const bool readiness = st.range(1) == 1;
  PtyEnd serial, usbPty;
  RealTimeTimerService timers;
  NullHost host;
  NullCaptureWriter writer;
  AcquisitionSession session(timers, host, writer,
                             std::make_unique<FtdiSioBackend>(FtdiSioConfig{{}, usbPty.path}),
                             PosixSerialOs::instance(), readiness ? &timers : nullptr);
  PortDevices devices;
  devices.set(1, serial.path);
  session.serialPort().setPortDevices(devices);
  session.startUp(PortSettings{0, 5, 0, 0});
  WaveformBlock restored;
  restored.setLinkUsb(usb ? 1 : 0);
  session.firstShow(&restored);
  sim::ModelOptions o;
  o.diagnostics = [](std::string_view) {};
  sim::Kv2040Model model(o);
  const std::string reply = model.handleBytes(
      "\x02"
      "0200000400090213\x03");
  const int fd = usb ? usbPty.master : serial.master;
  std::vector<double> delays;
  for (auto _ : st) {
    timers.runFor(std::chrono::milliseconds(3));  // a random phase against the poll timers
    session.exchange().flags.ReplyReady = false;
    const auto t0 = std::chrono::steady_clock::now();
    if (::write(fd, reply.data(), reply.size()) != static_cast<ssize_t>(reply.size())) {
      st.SkipWithError("short write");
      return;
    }
    timers.runUntil([&] { return session.exchange().flags.ReplyReady; },
                    std::chrono::milliseconds(500));
    delays.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
  }
  std::sort(delays.begin(), delays.end());
  st.counters["median_ms"] = delays[delays.size() / 2];
  st.counters["max_ms"] = delays.back();
  session.closeAtExit();
}
BENCHMARK(BM_ReplyToHandOver)
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->Iterations(60)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace corvane
BENCHMARK_MAIN();
