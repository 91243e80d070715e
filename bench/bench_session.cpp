// The acquisition session against the simulated instrument on real-time timers, as corvane-cli
// runs it: the wall time of one real-time loop cycle over the USB path and over the serial path,
// the CPU time that one cycle costs this thread, and the CPU share of the idle USB link. Arg 1:
// the links wait on readiness, as they do now; arg 0: the poll timers they ran on before.
//
// The instrument is sim::Kv2040Model served on the master side of a pseudo-terminal by a thread of
// this process, its replies paced by sim::OutputPacer at the line's rate (10 bits a byte), in the
// same loop as the kv2040-sim executable. A thread rather than the executable: nothing depends on
// another target being built or on a child process being cleaned up after an abort, and the
// model's work still stays out of this thread's CPU clock.
//
// One loop cycle is four handled real-time loop ticks: phase 0 (hand-over), phase 1 (hand-over,
// 200/9 out), phase 2 (hand-over once the 209 reply is in), phase 3 (hand-over, 200/3 out); the
// next phase 0 waits for the 203 reply. It is timed from one phase-0 hand-over to the next.
//
// The bound. A request sent on a tick is answered after tau = (18 + reply) bytes x 10 bits / rate.
// The reply is noticed when it has been read (USB: the next 1 ms poll; serial: the driver's next
// 50 ms poll, at a fixed but unknown offset from the loop) and acts on the first loop tick after
// that, so it is handled ceil(tau / 50 ms) ticks after the request at best (the driver polls just
// before the loop tick) and one tick more at worst (just after). A cycle is the two ticks without a
// request plus the ticks spent on the 209 (106 bytes) and the 203 (3,016 bytes at 0.5 ms/div)
// replies; the frames out are 18 bytes:
//   USB 921,600 bit/s: tau209 = 1.3 ms, tau203 = 32.9 ms, one tick each: 4 x 50 = 200 ms.
//   Serial 38,400 bit/s: tau209 = 32.3 ms (1 tick, 2 at worst), tau203 = 790.1 ms (16 ticks,
//   17 at worst): (2 + 1 + 16) x 50 = 950 ms, 1,050 ms at the worst driver phase.
// The reply time-out (500 ms) never cuts the serial 203 reply short: every chunk restarts it.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "cli/real_time_timers.h"
#include "link/ftdi_sio_backend.h"
#include "protocol/acquisition_session.h"
#include "protocol/capture_file.h"
#include "protocol/null_host.h"
#include "sim/kv2040_model.h"
#include "sim/output_pacer.h"

namespace corvane {
namespace {

constexpr int64_t kUsbBaud = 921600;
constexpr int64_t kSerialBaud = 38400;
constexpr uint8_t kSerialBaudIndex = 5;  // 38,400 bit/s in the port dialog's table
constexpr int kBitsPerByte = 10;
constexpr int kFrameBytes = 18;  // STX, code, count, one field, checksum, ETX
constexpr int kStatusReplyBytes = 106;
constexpr int kWaveformReplyBytes = 3016;
constexpr int kTickMs = AcquisitionSession::kLoopIntervalMs;
constexpr int kUsbCycles = 20;
constexpr int kSerialCycles = 10;
constexpr std::chrono::milliseconds kIdleRun{2000};

int64_t nowUs() {
  using namespace std::chrono;
  return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

double threadCpuMs() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

double transferMs(int bytes, int64_t baud) {
  return double(bytes) * kBitsPerByte * 1000.0 / double(baud);
}

// Ticks from a request to the handled tick: at least one, ceil(tau / tick) with the read just
// before the loop tick; one more when the reader polls only every tick and just after the loop
// tick.
int replyTicks(int replyBytes, int64_t baud, bool worstPollPhase) {
  const double tau = transferMs(kFrameBytes + replyBytes, baud);
  const int ticks = std::max(1, int(std::ceil(tau / kTickMs)));
  return worstPollPhase ? ticks + 1 : ticks;
}

double cycleBoundMs(int64_t baud, bool worstPollPhase) {
  return double(2 + replyTicks(kStatusReplyBytes, baud, worstPollPhase) +
                replyTicks(kWaveformReplyBytes, baud, worstPollPhase)) *
         kTickMs;
}

// A pseudo-terminal in raw mode. The slave descriptor stays open here so that the master never
// sees a hang-up while the session has not opened the line yet.
struct Pty {
  int master = -1;
  int slave = -1;
  std::string path;
  Pty() {
    termios raw{};
    cfmakeraw(&raw);
    char name[128] = {};
    if (openpty(&master, &slave, name, &raw, nullptr) != 0) return;
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    path = name;
  }
  ~Pty() {
    if (master >= 0) close(master);
    if (slave >= 0) close(slave);
  }
  Pty(const Pty&) = delete;
  Pty& operator=(const Pty&) = delete;
  bool ok() const { return !path.empty(); }
};

// The model on the master side, paced at `baud`: writes wake at most every millisecond and send
// every byte whose slot has come, as the simulator executable does.
class PacedInstrument {
 public:
  PacedInstrument(int master, int64_t baud)
      : master_(master), baud_(baud), thread_([this] { serve(); }) {}
  ~PacedInstrument() {
    stop_ = true;
    thread_.join();
  }
  PacedInstrument(const PacedInstrument&) = delete;
  PacedInstrument& operator=(const PacedInstrument&) = delete;

 private:
  void serve() {
    sim::ModelOptions options;
    options.diagnostics = [](std::string_view) {};
    sim::Kv2040Model model(options);
    sim::OutputPacer pacer(baud_, kBitsPerByte);
    std::string out;
    std::size_t outPos = 0;
    const int64_t startUs = nowUs();
    auto queue = [&](std::string bytes) {
      if (bytes.empty()) return;
      if (outPos == out.size()) {
        out.clear();
        outPos = 0;
        pacer.beginBurst(nowUs());
      }
      out += bytes;
    };
    while (!stop_) {
      queue(model.poll((nowUs() - startUs) / 1000));
      const bool pending = outPos < out.size();
      const bool due = pending && pacer.allowance(nowUs()) > 0;
      int64_t timeoutMs = 20;  // idle: short, so that the destructor never waits long
      if (pending && !due)
        timeoutMs = std::min<int64_t>(timeoutMs, (pacer.waitUs(nowUs()) + 999) / 1000);
      pollfd p{master_, static_cast<short>(POLLIN | (due ? POLLOUT : 0)), 0};
      if (::poll(&p, 1, int(timeoutMs)) < 0) continue;
      if (p.revents & POLLIN) {
        char buf[4096];
        const ssize_t n = ::read(master_, buf, sizeof buf);
        if (n > 0) queue(model.handleBytes(std::string_view(buf, std::size_t(n))));
      }
      if ((p.revents & POLLOUT) && outPos < out.size()) {
        const std::size_t n =
            std::min({pacer.allowance(nowUs()), out.size() - outPos, std::size_t(4096)});
        if (n > 0) {
          const ssize_t w = ::write(master_, out.data() + outPos, n);
          if (w > 0) {
            outPos += std::size_t(w);
            pacer.consumed(std::size_t(w));
          }
        }
      }
    }
  }

  int master_;
  int64_t baud_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// Marks the wall and CPU clocks at every phase-0 hand-over and counts the error boxes.
class CycleHost : public NullHost {
 public:
  AcquisitionSession* session = nullptr;
  std::vector<int64_t> wallUs;
  std::vector<double> cpuMs;
  std::vector<int64_t> rxTotal;
  int errors = 0;

  void showError(std::string_view) override { ++errors; }
  void ReceiveBlock(const WaveformBlock&) override {
    if (session == nullptr || !session->loopRunning() || session->loopPhase() != 0) return;
    wallUs.push_back(nowUs());
    cpuMs.push_back(threadCpuMs());
    rxTotal.push_back(session->exchange().framer.RXTotal());
  }
};

// A session on one link: the other one points at a path that cannot exist.
struct Rig {
  RealTimeTimerService timers;
  CycleHost host;
  NullCaptureWriter writer;
  std::unique_ptr<AcquisitionSession> session;

  Rig(bool usb, const std::string& device, bool readiness) {
    session = std::make_unique<AcquisitionSession>(
        timers, host, writer,
        std::make_unique<FtdiSioBackend>(
            FtdiSioConfig{{}, usb ? device : std::string("/nonexistent/corvane-usb")}),
        PosixSerialOs::instance(), readiness ? &timers : nullptr);
    PortDevices devices;
    devices.set(1, usb ? std::string("/nonexistent/corvane-serial") : device);
    session->serialPort().setPortDevices(devices);
    PortSettings port;
    port.baudIndex = kSerialBaudIndex;
    port.parityIndex = 0;
    session->startUp(port);
    if (usb) session->chooseUsbLink();
  }
  ~Rig() { session->closeAtExit(); }

  bool linkUp(bool usb) const {
    return usb ? session->usbActive() && session->linkChoice().usbChosen
               : session->serialPort().connected();
  }

  // "Setup Para." first, as an operator does: it fills TimeDivIndex, without which the loop
  // asks for no waveforms.
  bool loadSetup() {
    std::optional<bool> handedOver;
    session->setOnLoadFinished([&](bool h) { handedOver = h; });
    if (!session->startSetupLoad()) return false;
    timers.runUntil([&] { return handedOver.has_value(); }, std::chrono::seconds(20));
    session->setOnLoadFinished({});
    return handedOver.value_or(false);
  }
};

void runLoopCycles(benchmark::State& state, bool usb) {
  const int64_t baud = usb ? kUsbBaud : kSerialBaud;
  const int cycles = usb ? kUsbCycles : kSerialCycles;
  const double bound = cycleBoundMs(baud, false);
  const double worstBound = cycleBoundMs(baud, !usb);
  for (auto _ : state) {
    Pty pty;
    if (!pty.ok()) return state.SkipWithError("no pseudo-terminal");
    PacedInstrument instrument(pty.master, baud);
    Rig rig(usb, pty.path, state.range(0) == 1);
    if (!rig.linkUp(usb)) return state.SkipWithError("the link did not open");
    if (!rig.loadSetup()) return state.SkipWithError("the setup load got no answer");
    const uint8_t timeDiv = rig.session->block().TimeDivIndex();
    if (timeDiv < 6 || timeDiv > 23) return state.SkipWithError("no waveform at this time base");

    rig.host.session = rig.session.get();
    rig.host.errors = 0;
    rig.session->startLoop();
    // The first phase-0 hand-over is a warm-up; cycles are counted from the second.
    const std::size_t marks = std::size_t(cycles) + 2;
    const auto limit = std::chrono::milliseconds(int64_t(worstBound * 4) * (cycles + 2));
    rig.timers.runUntil([&] { return rig.host.wallUs.size() >= marks || rig.host.errors > 0; },
                        limit);
    rig.session->stopLoop();
    rig.host.session = nullptr;
    if (rig.host.errors > 0) return state.SkipWithError("the loop reported an error");
    if (rig.host.wallUs.size() < marks) return state.SkipWithError("the loop stalled");

    const auto& h = rig.host;
    const double wallMs = double(h.wallUs.back() - h.wallUs[1]) / 1e3;
    const double cpuMs = h.cpuMs.back() - h.cpuMs[1];
    const double rx = double(h.rxTotal.back() - h.rxTotal[1]);
    state.SetIterationTime(wallMs / 1e3);
    state.counters["cycles"] = cycles;
    state.counters["cycle_ms"] = wallMs / cycles;
    state.counters["bound_ms"] = bound;
    state.counters["bound_worst_ms"] = worstBound;
    state.counters["ratio"] = wallMs / cycles / bound;
    state.counters["cpu_ms"] = cpuMs / cycles;
    state.counters["cpu_share"] = cpuMs / wallMs;
    state.counters["rx_bytes"] = rx / cycles;
  }
  state.SetLabel(std::string(usb ? "USB tty, 921,600 bit/s" : "serial, 38,400 bit/s") +
                 (state.range(0) == 1 ? ", readiness" : ", poll ticks"));
}

void BM_LoopCycleUsb(benchmark::State& state) {
  runLoopCycles(state, true);
}
BENCHMARK(BM_LoopCycleUsb)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void BM_LoopCycleSerial(benchmark::State& state) {
  runLoopCycles(state, false);
}
BENCHMARK(BM_LoopCycleSerial)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// USB chosen, the device open, nothing arriving and no loop: what the idle link costs.
void BM_UsbPollIdle(benchmark::State& state) {
  for (auto _ : state) {
    Pty pty;
    if (!pty.ok()) return state.SkipWithError("no pseudo-terminal");
    Rig rig(true, pty.path, state.range(0) == 1);
    if (!rig.linkUp(true)) return state.SkipWithError("the USB line did not open");
    const uint64_t firedBefore = rig.timers.firedCount();
    const int64_t t0 = nowUs();
    const double cpu0 = threadCpuMs();
    rig.timers.runFor(kIdleRun);
    const double cpuMs = threadCpuMs() - cpu0;
    const double wallS = double(nowUs() - t0) / 1e6;
    state.SetIterationTime(wallS);
    state.counters["polls_per_s"] = double(rig.timers.firedCount() - firedBefore) / wallS;
    state.counters["cpu_ms_per_s"] = cpuMs / wallS;
    state.counters["cpu_us_per_poll"] =
        cpuMs * 1e3 / std::max(1.0, double(rig.timers.firedCount() - firedBefore));
  }
  state.SetLabel(state.range(0) == 1 ? "USB tty open and idle, readiness"
                                     : "USB tty open and idle, 1 ms poll");
}
BENCHMARK(BM_UsbPollIdle)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace corvane

BENCHMARK_MAIN();
