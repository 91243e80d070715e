// One request and its reply through the program's whole receive road: the frame out through the
// serial port driver, the reply read by the driver's poll, framed, decoded into the staging
// record. The instrument is the in-process model served on a pseudo-terminal by a thread, with no
// line pacing, so the wall time is the round trip on an infinitely fast line, and the CPU time
// (this thread's only) is what the program itself spends per request: send, polls, framing,
// decoding. The model's work runs on the server thread and is not in it.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <memory>
#include <string>
#include <thread>

#include "link/comm_port_driver.h"
#include "protocol/link_exchange.h"
#include "protocol/null_host.h"
#include "sim/kv2040_model.h"

namespace corvane {
namespace {

class DriverWriter : public SerialWriter {
 public:
  explicit DriverWriter(CommPortDriver& driver) : driver_(driver) {}
  std::size_t sendData(std::string_view bytes) override {
    return driver_.send(bytes.data(), bytes.size()).written;
  }

 private:
  CommPortDriver& driver_;
};

// The model answering on the master side of a pseudo-terminal, on a thread of its own.
class ModelServer {
 public:
  explicit ModelServer(int master) : master_(master), thread_([this] { serve(); }) {}
  ~ModelServer() {
    stop_ = true;
    thread_.join();
  }

 private:
  void serve() {
    sim::ModelOptions options;
    options.diagnostics = [](std::string_view) {};
    sim::Kv2040Model model(options);
    char buf[4096];
    while (!stop_) {
      pollfd p{master_, POLLIN, 0};
      if (::poll(&p, 1, 20) <= 0) continue;
      const ssize_t n = ::read(master_, buf, sizeof buf);
      if (n <= 0) continue;
      const std::string out = model.handleBytes(std::string_view(buf, std::size_t(n)));
      std::size_t done = 0;
      while (done < out.size() && !stop_) {
        const ssize_t w = ::write(master_, out.data() + done, out.size() - done);
        if (w > 0) {
          done += std::size_t(w);
        } else {
          pollfd q{master_, POLLOUT, 0};
          ::poll(&q, 1, 20);
        }
      }
    }
  }

  int master_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

struct Rig {
  int master = -1;
  int slave = -1;  // kept for poll() only: it shows when the driver's next poll has bytes to read
  ManualTimerService clock;
  NullHost host;
  NullCaptureWriter writer;
  CommPortDriver driver{clock};
  DriverWriter serial{driver};
  LinkExchange exchange{host, nullptr, writer, SendPath{&serial, nullptr, {}, {}}};
  std::unique_ptr<Timer> timer1 = clock.createTimer(500, [] {});
  std::unique_ptr<ModelServer> server;
  int64_t chunks = 0;  // OnReceiveData calls

  Rig() {
    char name[128] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) return;
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    PortDevices devices;
    devices.set(1, name);
    driver.setPortDevices(devices);
    driver.setComPort(pnCOM1);
    driver.setComPortSpeed(br38400);
    // One manual millisecond per poll: the clock costs nothing measurable.
    driver.setComPortPollingDelay(1);
    driver.setOnReceiveData([this](CommPortDriver& sender, const uint8_t* data, std::size_t n) {
      ++chunks;
      exchange.framer.receiveData(&sender, data, static_cast<int32_t>(n));
    });
    exchange.setReplyTimer(timer1.get());
    if (driver.connect()) server = std::make_unique<ModelServer>(master);
  }
  ~Rig() {
    server.reset();
    driver.disconnect();
    close(master);
    close(slave);
  }
  bool ok() const { return server != nullptr; }

  // Sends code with one field and polls until the reply is decoded; false when nothing came.
  bool roundTrip(uint16_t code, uint16_t field) {
    exchange.flags.ReplyReady = false;
    exchange.sender.SendCommandFrameNow(code, {field});
    while (!exchange.flags.ReplyReady) {
      pollfd p{slave, POLLIN, 0};
      if (::poll(&p, 1, 2000) <= 0) return false;
      clock.advance(1);
    }
    return true;
  }
};

void runRoundTrips(benchmark::State& state, uint16_t code, uint16_t field, const char* label) {
  Rig rig;
  if (!rig.ok()) return state.SkipWithError("no pseudo-terminal");
  if (!rig.roundTrip(code, field)) return state.SkipWithError("no reply");  // warm-up
  const int64_t rxBefore = rig.exchange.framer.RXTotal();
  const int64_t chunksBefore = rig.chunks;
  for (auto _ : state) {
    if (!rig.roundTrip(code, field)) return state.SkipWithError("no reply");
  }
  state.counters["chunks"] =
      benchmark::Counter(double(rig.chunks - chunksBefore), benchmark::Counter::kAvgIterations);
  state.SetBytesProcessed(rig.exchange.framer.RXTotal() - rxBefore);
  state.SetLabel(label);
}

void BM_StatusRoundTrip(benchmark::State& state) {
  runRoundTrips(state, 200, 9, "200/9 -> 209, 106 bytes");
}
BENCHMARK(BM_StatusRoundTrip)->UseRealTime();

void BM_WaveformRoundTrip(benchmark::State& state) {
  runRoundTrips(state, 200, 3, "200/3 -> 203, about 3,020 bytes");
}
BENCHMARK(BM_WaveformRoundTrip)->UseRealTime();

// The largest reply: the screen image in decimal digits, about 29,000 bytes.
void BM_ScreenImageRoundTrip(benchmark::State& state) {
  runRoundTrips(state, 166, 0, "166/0 -> 166, about 29,010 bytes");
}
BENCHMARK(BM_ScreenImageRoundTrip)->UseRealTime();

}  // namespace
}  // namespace corvane

BENCHMARK_MAIN();
