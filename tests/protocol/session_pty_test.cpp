// The session on real kernel pseudo-terminals: the serial driver and the USB link's tty backend
// open the slave, and the test serves the simulated instrument on the master. The links wait on
// readiness, which the test dispatches through a PollIoWatchService; the manual clock only moves
// once the kernel has carried every byte across, so no reply can miss its time-out.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "analysis/measurements.h"
#include "link/ftdi_sio_backend.h"
#include "link/io_watch.h"
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
  // pieceSize > 0: every reply goes out in writes of that many bytes, each after a short pause.
  explicit PtyInstrument(PtyPair& pty, std::size_t pieceSize = 0)
      : pty_(pty), model_(options()), pieceSize_(pieceSize) {}

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
    for (int tries = 0; done < bytes.size() && tries < 20000; ++tries) {
      const std::size_t piece = pieceSize_ > 0 ? pieceSize_ : bytes.size();
      const ssize_t n =
          ::write(pty_.master, bytes.data() + done, std::min(piece, bytes.size() - done));
      if (n > 0) {
        done += static_cast<std::size_t>(n);
        toSession_ += n;
        if (pieceSize_ > 0) (*onPiece)();
      } else {
        pauseMs(1);
      }
    }
  }

 public:
  // Run after every piece, so that the session reads the reply while it is still coming.
  std::function<void()>* onPiece = nullptr;

 private:
  PtyPair& pty_;
  sim::Kv2040Model model_;
  std::size_t pieceSize_ = 0;
  int64_t fromSession_ = 0;
  int64_t toSession_ = 0;
};

// Each millisecond: the instrument answers, the session reads what is ready, the clock moves.
bool runUntil(ManualTimerService& timers, PollIoWatchService& watches, PtyInstrument& instrument,
              AcquisitionSession& s, const std::function<bool()>& done, int limitMs) {
  for (int ms = 0; ms < limitMs && !done(); ++ms) {
    instrument.settle(s);
    while (watches.wait(0) > 0) {
    }
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

// pieceSize 0: every reply in one write; otherwise in writes of pieceSize bytes, each read by the
// session before the next one goes.
void setupLoadOverTheSerialDriver(std::size_t pieceSize) {
  PtyPair pty;
  ASSERT_FALSE(pty.path.empty());
  PtyInstrument instrument(pty, pieceSize);
  ManualTimerService timers;
  PollIoWatchService watches;
  RecordingHost host;
  NullCaptureWriter writer;
  AcquisitionSession session(
      timers, host, writer,
      std::make_unique<FtdiSioBackend>(FtdiSioConfig{{}, "/nonexistent/corvane-ttyUSB"}),
      PosixSerialOs::instance(), &watches);
  PortDevices devices;
  devices.set(1, pty.path);
  session.serialPort().setPortDevices(devices);
  session.startUp(PortSettings{0, 5, 0, 0});
  ASSERT_TRUE(session.serialPort().connected());
  EXPECT_EQ(host.informations, std::vector<std::string>{"USB is not available."});
  session.firstShow(nullptr);

  std::function<void()> readPiece = [&] {
    pauseMs(0);
    watches.wait(5);
  };
  instrument.onPiece = &readPiece;
  ASSERT_TRUE(session.startSetupLoad());
  ASSERT_TRUE(runUntil(
      timers, watches, instrument, session, [&] { return session.loadFinished(); }, 5000));
  EXPECT_TRUE(host.errors.empty());
  ASSERT_EQ(host.receivedBlocks.size(), 1u);
  expectInstrumentsRecord(host.receivedBlocks[0], instrument.model());
  EXPECT_EQ(host.txTot, "128");  // four 14-byte frames without fields, four 18-byte with one
  // Every piece was a chunk of its own (a waveform reply alone is over 3,000 bytes).
  if (pieceSize > 0) {
    EXPECT_GT(host.rxTotUpdates, 3000 / static_cast<int>(pieceSize));
  }
}

TEST(SessionPty, SetupLoadOverTheSerialDriver) {
  setupLoadOverTheSerialDriver(0);
}

TEST(SessionPty, RepliesSplitIntoManySmallWritesAssembleAsBefore) {
  setupLoadOverTheSerialDriver(7);
}

// The instrument on a pseudo-terminal behind the USB bridge, a quiet serial port beside it, and
// a session started with USB chosen by the restored record.
struct UsbRig {
  PtyPair usbPty;
  PtyPair serialPty;  // the serial port opens too, and stays quiet
  PtyInstrument instrument{usbPty};
  ManualTimerService timers;
  PollIoWatchService watches;
  RecordingHost host;
  NullCaptureWriter writer;
  AcquisitionSession session{timers,
                             host,
                             writer,
                             std::make_unique<FtdiSioBackend>(FtdiSioConfig{{}, usbPty.path}),
                             PosixSerialOs::instance(),
                             &watches};

  UsbRig() {
    PortDevices devices;
    devices.set(1, serialPty.path);
    session.serialPort().setPortDevices(devices);
    session.startUp(PortSettings{});
  }
  void chooseUsbByTheRestoredRecord() {
    WaveformBlock restored;
    restored.setLinkUsb(1);
    session.firstShow(&restored);
  }
};

TEST(SessionPty, SetupLoadOverUsbAndUnplugWhileTheLoopRuns) {
  UsbRig rig;
  ASSERT_FALSE(rig.usbPty.path.empty());
  ASSERT_FALSE(rig.serialPty.path.empty());
  PtyPair& usbPty = rig.usbPty;
  PtyInstrument& instrument = rig.instrument;
  ManualTimerService& timers = rig.timers;
  PollIoWatchService& watches = rig.watches;
  RecordingHost& host = rig.host;
  AcquisitionSession& session = rig.session;
  ASSERT_TRUE(session.usbActive());
  rig.chooseUsbByTheRestoredRecord();
  ASSERT_TRUE(session.linkChoice().usbChosen);
  EXPECT_TRUE(host.informations.empty());

  ASSERT_TRUE(session.startSetupLoad());
  ASSERT_TRUE(runUntil(
      timers, watches, instrument, session, [&] { return session.loadFinished(); }, 5000));
  EXPECT_TRUE(host.errors.empty());
  ASSERT_EQ(host.receivedBlocks.size(), 1u);
  expectInstrumentsRecord(host.receivedBlocks[0], instrument.model());
  EXPECT_EQ(host.receivedBlocks[0].LinkUsb(), 1);

  session.startLoop();
  const std::size_t before = host.receivedBlocks.size();
  runUntil(
      timers, watches, instrument, session, [] { return false; }, 1000);
  EXPECT_GT(host.receivedBlocks.size(), before + 5);
  EXPECT_TRUE(host.errors.empty());

  bool loopRanAtTheBox = true;
  host.onModalBox = [&](std::string_view) { loopRanAtTheBox = session.loopRunning(); };
  usbPty.closeMaster();
  // The hang-up is seen on the descriptor, without the clock moving.
  EXPECT_GT(watches.wait(1000), 0);
  EXPECT_EQ(host.errors, std::vector<std::string>{"USB device is disable."});
  EXPECT_EQ(host.errorDetails,
            std::vector<std::string>{usbPty.path +
                                     ": the USB bridge stopped answering, it was unplugged or "
                                     "switched off. Plug it in again; Corvane opens it again when "
                                     "it returns."});
  EXPECT_FALSE(loopRanAtTheBox);
  EXPECT_FALSE(session.loopRunning());
  EXPECT_FALSE(session.usbActive());
  EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "resetRunButton"), 1);
  session.closeAtExit();
}

// The USB device hangs up in the middle of a setup load: the unplug, and the load still ends with
// the controls released and no hand-over.
TEST(SessionPty, HangUpDuringALoadIsTheUnplug) {
  UsbRig rig;
  ASSERT_FALSE(rig.usbPty.path.empty());
  PtyPair& usbPty = rig.usbPty;
  PtyInstrument& instrument = rig.instrument;
  ManualTimerService& timers = rig.timers;
  PollIoWatchService& watches = rig.watches;
  RecordingHost& host = rig.host;
  AcquisitionSession& session = rig.session;
  rig.chooseUsbByTheRestoredRecord();
  ASSERT_TRUE(session.startSetupLoad());
  ASSERT_TRUE(runUntil(
      timers, watches, instrument, session, [&] { return session.sender().TXTotal() >= 42; },
      1000));  // three requests answered
  usbPty.closeMaster();
  ASSERT_TRUE(runUntil(
      timers, watches, instrument, session, [&] { return session.loadFinished(); }, 8000));
  ASSERT_FALSE(host.errors.empty());
  EXPECT_EQ(host.errors[0], "USB device is disable.");
  EXPECT_FALSE(session.usbActive());
  EXPECT_TRUE(host.receivedBlocks.empty());
  EXPECT_TRUE(host.commandControlsEnabled);
}

// FT_Open calls, to tell a notification's open from a retry tick's.
class CountingBackend : public FtdiSioBackend {
 public:
  using FtdiSioBackend::FtdiSioBackend;
  FtStatus open(int32_t index, FtHandle& handle) override {
    ++opens;
    return FtdiSioBackend::open(index, handle);
  }
  int opens = 0;
};

// USB stays chosen after the device went; it comes back under its configured name (a link, as
// udev makes them) and is opened on the folder's notification, with the clock standing still.
TEST(SessionPty, ADeviceThatAppearsIsOpenedOnItsNotification) {
  namespace fs = std::filesystem;
  const fs::path dir =
      fs::path(::testing::TempDir()) / ("corvane-usb-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const fs::path node = dir / "ttyUSB-kv2040";
  auto first = std::make_unique<PtyPair>();
  fs::remove(node);
  fs::create_symlink(first->path, node);
  PtyPair serialPty;
  ManualTimerService timers;
  PollIoWatchService watches;
  RecordingHost host;
  NullCaptureWriter writer;
  auto backend = std::make_unique<CountingBackend>(FtdiSioConfig{{}, node.string()});
  CountingBackend& counted = *backend;
  AcquisitionSession session(timers, host, writer, std::move(backend), PosixSerialOs::instance(),
                             &watches);
  PortDevices devices;
  devices.set(1, serialPty.path);
  session.serialPort().setPortDevices(devices);
  session.startUp(PortSettings{});
  WaveformBlock restored;
  restored.setLinkUsb(1);
  session.firstShow(&restored);
  ASSERT_TRUE(session.usbActive());

  fs::remove(node);
  first.reset();
  while (watches.wait(200) > 0 && session.usbActive()) {
  }
  ASSERT_FALSE(session.usbActive());
  EXPECT_EQ(host.errors, std::vector<std::string>{"USB device is disable."});
  EXPECT_TRUE(session.usbRetry().active());  // the fallback, about once a second
  while (watches.wait(50) > 0) {
  }
  const int opensBefore = counted.opens;

  PtyPair second;
  const auto appeared = std::chrono::steady_clock::now();
  fs::create_symlink(second.path, node);
  while (!session.usbActive() &&
         std::chrono::steady_clock::now() - appeared < std::chrono::seconds(2)) {
    watches.wait(100);
  }
  const auto openedAfter = std::chrono::steady_clock::now() - appeared;
  ASSERT_TRUE(session.usbActive());
  EXPECT_LT(openedAfter, std::chrono::milliseconds(100));
  EXPECT_EQ(timers.now(), 0);                 // no retry tick could have fired
  EXPECT_LE(counted.opens - opensBefore, 3);  // one try per notification, not one per millisecond
  EXPECT_EQ(host.informations, std::vector<std::string>{"USB device is enabled."});
  session.closeAtExit();
  fs::remove_all(dir);
}

}  // namespace
}  // namespace corvane
