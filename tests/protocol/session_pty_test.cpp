// The session on real kernel pseudo-terminals: the serial driver and the USB link's tty backend
// open the slave, and the test serves the simulated instrument on the master. The manual clock
// only moves once the kernel has carried every byte across, so no reply can miss its time-out.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "analysis/measurements.h"
#include "link/ftdi_sio_backend.h"
#include "protocol/acquisition_session.h"
#include "protocol/recording_host.h"
#include "sim/kv2040_model.h"

namespace corvane {
namespace {

struct PtyPair {
  int master = -1;
  int slave = -1;  // kept open to read the slave's input level
  std::string path;
  PtyPair() {
    char name[128] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) == 0) {
      path = name;
      ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    }
  }
  ~PtyPair() {
    closeMaster();
    if (slave >= 0) ::close(slave);
  }
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;
  void closeMaster() {
    if (master >= 0) ::close(master);
    master = -1;
  }
};

void pauseMs(int ms) {
  ::poll(nullptr, 0, ms);
}

// The instrument on the master side: read what the session sent, answer through the model.
class PtyInstrument {
 public:
  explicit PtyInstrument(PtyPair& pty) : pty_(pty), model_(options()) {}

  static sim::ModelOptions options() {
    sim::ModelOptions o;
    o.noiseCodes = 0;
    o.diagnostics = [](std::string_view) {};
    return o;
  }

  sim::Kv2040Model& model() { return model_; }

  // Bounded real-time waits until the session's frames have reached the model and the model's
  // replies wait in the slave's input queue.
  void settle(AcquisitionSession& s) {
    if (pty_.master < 0) return;
    for (int i = 0; i < 2000; ++i) {
      serve();
      if (fromSession_ >= s.sender().TXTotal()) break;
      pollfd p{pty_.master, POLLIN, 0};
      ::poll(&p, 1, 1);
    }
    for (int i = 0; i < 2000; ++i) {
      int queued = 0;
      ::ioctl(pty_.slave, FIONREAD, &queued);
      if (toSession_ - s.exchange().framer.RXTotal() <= queued) break;
      pauseMs(1);
    }
  }

 private:
  void serve() {
    char buf[4096];
    for (;;) {
      const ssize_t n = ::read(pty_.master, buf, sizeof buf);
      if (n <= 0) break;
      fromSession_ += n;
      write(model_.handleBytes(std::string_view(buf, static_cast<std::size_t>(n))));
    }
  }
  void write(const std::string& bytes) {
    std::size_t done = 0;
    for (int tries = 0; done < bytes.size() && tries < 2000; ++tries) {
      const ssize_t n = ::write(pty_.master, bytes.data() + done, bytes.size() - done);
      if (n > 0) {
        done += static_cast<std::size_t>(n);
      } else {
        pauseMs(1);
      }
    }
    toSession_ += static_cast<int64_t>(done);
  }

  PtyPair& pty_;
  sim::Kv2040Model model_;
  int64_t fromSession_ = 0;
  int64_t toSession_ = 0;
};

bool runUntil(ManualTimerService& timers, PtyInstrument& instrument, AcquisitionSession& s,
              const std::function<bool()>& done, int limitMs) {
  for (int ms = 0; ms < limitMs && !done(); ++ms) {
    instrument.settle(s);
    timers.advance(1);
  }
  return done();
}

void expectInstrumentsRecord(const WaveformBlock& handed, sim::Kv2040Model& model) {
  WaveformBlock b = handed;
  EXPECT_EQ(b.TimeDivIndex(), 16);  // 0.5 ms/div
  EXPECT_EQ(b.Ch1VoltDivIndex(), 8);
  EXPECT_EQ(b.Ch1Position(), 175);
  EXPECT_EQ(b.TriggerPosition(), 131);
  const sim::DisplayTraces t = model.traces();
  for (int i = 0; i < 500; i += 50) EXPECT_EQ(b.Ch1Samples(i), t.codes[0][i]) << i;
  const Measurements m = MeasureChannels(b, recordScales(b));
  EXPECT_EQ(m.channel[0].freq, "1000.00Hz");  // the probe-compensation square wave
  EXPECT_EQ(m.channel[0].pp, "2.0V");
}

TEST(SessionPty, SetupLoadOverTheSerialDriver) {
  PtyPair pty;
  ASSERT_FALSE(pty.path.empty());
  PtyInstrument instrument(pty);
  ManualTimerService timers;
  RecordingHost host;
  NullCaptureWriter writer;
  AcquisitionSession session(
      timers, host, writer,
      std::make_unique<FtdiSioBackend>(FtdiSioConfig{{}, "/nonexistent/corvane-ttyUSB"}));
  PortDevices devices;
  devices.set(1, pty.path);
  session.serialPort().setPortDevices(devices);
  session.startUp(PortSettings{0, 5, 0, 0});
  ASSERT_TRUE(session.serialPort().connected());
  EXPECT_EQ(host.informations, std::vector<std::string>{"USB is not available."});
  session.firstShow(nullptr);

  ASSERT_TRUE(session.startSetupLoad());
  ASSERT_TRUE(runUntil(
      timers, instrument, session, [&] { return session.loadFinished(); }, 5000));
  EXPECT_TRUE(host.errors.empty());
  ASSERT_EQ(host.receivedBlocks.size(), 1u);
  expectInstrumentsRecord(host.receivedBlocks[0], instrument.model());
  EXPECT_EQ(host.txTot, "128");  // four 14-byte frames without fields, four 18-byte with one
}

TEST(SessionPty, SetupLoadOverUsbAndUnplugWhileTheLoopRuns) {
  PtyPair usbPty;
  PtyPair serialPty;  // the serial port opens too, and stays quiet
  ASSERT_FALSE(usbPty.path.empty());
  ASSERT_FALSE(serialPty.path.empty());
  PtyInstrument instrument(usbPty);
  ManualTimerService timers;
  RecordingHost host;
  NullCaptureWriter writer;
  AcquisitionSession session(timers, host, writer,
                             std::make_unique<FtdiSioBackend>(FtdiSioConfig{{}, usbPty.path}));
  PortDevices devices;
  devices.set(1, serialPty.path);
  session.serialPort().setPortDevices(devices);
  session.startUp(PortSettings{});
  ASSERT_TRUE(session.usbActive());
  WaveformBlock restored;
  restored.setLinkUsb(1);
  session.firstShow(&restored);
  ASSERT_TRUE(session.linkChoice().usbChosen);
  EXPECT_TRUE(host.informations.empty());

  ASSERT_TRUE(session.startSetupLoad());
  ASSERT_TRUE(runUntil(
      timers, instrument, session, [&] { return session.loadFinished(); }, 5000));
  EXPECT_TRUE(host.errors.empty());
  ASSERT_EQ(host.receivedBlocks.size(), 1u);
  expectInstrumentsRecord(host.receivedBlocks[0], instrument.model());
  EXPECT_EQ(host.receivedBlocks[0].LinkUsb(), 1);

  session.startLoop();
  const std::size_t before = host.receivedBlocks.size();
  runUntil(
      timers, instrument, session, [] { return false; }, 1000);
  EXPECT_GT(host.receivedBlocks.size(), before + 5);
  EXPECT_TRUE(host.errors.empty());

  usbPty.closeMaster();
  for (int i = 0; i < 500 && host.errors.empty(); ++i) {
    timers.advance(1);
    pauseMs(1);
  }
  EXPECT_EQ(host.errors, std::vector<std::string>{"USB device is disable."});
  EXPECT_FALSE(session.loopRunning());
  EXPECT_FALSE(session.usbActive());
  EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "resetRunButton"), 1);
  session.closeAtExit();
}

}  // namespace
}  // namespace corvane
