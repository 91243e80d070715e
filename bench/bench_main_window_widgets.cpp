// The desktop program on the offscreen platform: from the construction of the main window to the
// first paint of the restored scope window; the resident memory with eleven scope windows open;
// the GUI's CPU share while the USB link is selected and the device is open and idle; and what
// building the Control menu and the three toolbars adds to the start.
#include <benchmark/benchmark.h>
#include <pty.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "app/control_commands.h"
#include "app/main_menus.h"
#include "app/main_window.h"
#include "bench/qt_benchmark_main.h"
#include "bench/silent_ui.h"
#include "link/ftdi_sio_backend.h"
#include "scope/display_render.h"
#include "scope/widgets/scope_window.h"
#include "tests/support/sim_process.h"

namespace {

using namespace corvane;
using bench::SilentUi;
namespace fs = std::filesystem;

// A settings folder with a restorable record, COM1 and the USB device on pseudo-terminals.
struct Bench {
  SilentUi ui;
  fs::path dir;
  int com[2] = {-1, -1}, usb[2] = {-1, -1};
  std::string comPath, usbPath;
  Bench() {
    char templ[] = "/tmp/corvane-bench-XXXXXX";
    dir = ::mkdtemp(templ);
    char name[256];
    ::openpty(&com[0], &com[1], name, nullptr, nullptr);
    comPath = name;
    ::openpty(&usb[0], &usb[1], name, nullptr, nullptr);
    usbPath = name;
    std::ofstream(dir / "KV2040.ini")
        << "[Devices]\nCOM1=" << comPath << "\nUSB=" << usbPath << "\n";
    const WaveformBlock record = MakeNewWindowRecord();
    std::ofstream(dir / "OSCTEMP.DSO", std::ios::binary)
        .write(reinterpret_cast<const char*>(record.bytes.data()),
               static_cast<std::streamsize>(record.bytes.size()));
  }
  ~Bench() {
    for (int fd : {com[0], com[1], usb[0], usb[1]}) ::close(fd);
    fs::remove_all(dir);
  }
  std::unique_ptr<MainWindow> start() {
    MainWindowConfig config;
    config.settingsDir = dir.string();
    config.captureDirectory = dir;
    auto m = std::make_unique<MainWindow>(config, ui);
    m->show();
    return m;
  }
};

bool painted(QWidget* w) {
  return w != nullptr && !w->visibleRegion().isEmpty() && w->isVisible();
}

void BM_StartToFirstPaint(benchmark::State& st) {
  Bench b;
  for (auto _ : st) {
    QElapsedTimer clock;
    clock.start();
    auto m = b.start();
    // The restored window's display area has painted once its backing store was flushed.
    QWidget* area = nullptr;
    struct PaintSeen : QObject {
      bool seen = false;
      bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) seen = true;
        return false;
      }
    } seen;
    if (ScopeWindow* w = m->scopeWindow(0)) {
      area = w->findChild<QWidget*>("PaintBox1");
      area->installEventFilter(&seen);
    }
    while (!seen.seen && clock.elapsed() < 5000) QApplication::processEvents();
    st.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) * 1e-9);
    if (!seen.seen || !painted(area)) st.SkipWithError("the restored window never painted");
    st.PauseTiming();
    m->hide();
    m.reset();
    QApplication::processEvents();
    st.ResumeTiming();
  }
}
BENCHMARK(BM_StartToFirstPaint)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

long residentKiB() {
  std::ifstream statm("/proc/self/statm");
  long size = 0, resident = 0;
  statm >> size >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

void BM_ResidentWithElevenWindows(benchmark::State& st) {
  Bench b;
  for (auto _ : st) {
    auto m = b.start();
    for (int i = 0; i < 10; ++i) m->newScopeWindow();
    QApplication::processEvents();
    st.counters["windows"] = m->slotInUse(10) ? 11 : 0;
    st.counters["resident_MiB"] = static_cast<double>(residentKiB()) / 1024.0;
  }
}
BENCHMARK(BM_ResidentWithElevenWindows)->Iterations(1)->Unit(benchmark::kMillisecond);

double processCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// The GUI's CPU share while idle, arg 0: USB chosen, device open; 1: USB chosen, device gone
// (pulled while chosen); 2: the serial link chosen.
void BM_IdleCpu(benchmark::State& st) {
  Bench b;
  auto m = b.start();
  QApplication::processEvents();
  if (st.range(0) == 2) {
    m->chooseSerialLink();
  } else {
    m->chooseUsbLink();
    if (!m->session().usbActive() || !m->menus().usbLinkAction->isChecked()) {
      st.SkipWithError("the USB device did not open");
      return;
    }
  }
  if (st.range(0) == 1) {
    ::close(b.usb[0]);
    b.usb[0] = -1;
    QElapsedTimer gone;
    gone.start();
    while (m->session().usbActive() && gone.elapsed() < 2000) QApplication::processEvents();
  }
  for (auto _ : st) {
    const double cpu0 = processCpuSeconds();
    QElapsedTimer clock;
    clock.start();
    QEventLoop idle;
    QTimer::singleShot(5000, &idle, &QEventLoop::quit);
    idle.exec();
    const double wall = static_cast<double>(clock.nsecsElapsed()) * 1e-9;
    st.counters["cpu_share_percent"] = 100.0 * (processCpuSeconds() - cpu0) / wall;
  }
}
BENCHMARK(BM_IdleCpu)->DenseRange(0, 2)->Iterations(1)->Unit(benchmark::kMillisecond);

// The main window that counts its hand-overs to the scope window.
class CountingMainWindow : public MainWindow {
 public:
  using MainWindow::MainWindow;
  void ReceiveBlock(const WaveformBlock& block) override {
    ++handOvers;
    if (block.bytes != last.bytes) ++changed;
    last = block;
    MainWindow::ReceiveBlock(block);
  }
  int handOvers = 0;
  int changed = 0;
  WaveformBlock last;
};

// RUN over USB against the simulator at its full rate: CPU per hand-over and per changed record
// (a new waveform or status), and the share of a core.
void BM_RunOverUsb(benchmark::State& st) {
  test_support::SimProcess sim({"--usb"});
  SilentUi ui;
  fs::path dir = ::mkdtemp(std::string("/tmp/corvane-bench-XXXXXX").data());
  std::ofstream(dir / "KV2040.ini") << "[Devices]\nCOM1=/nonexistent\nUSB=" << sim.path() << "\n";
  MainWindowConfig config;
  config.settingsDir = dir.string();
  config.captureDirectory = dir;
  auto m = std::make_unique<CountingMainWindow>(config, ui);
  m->show();
  QApplication::processEvents();
  m->chooseUsbLink();
  ScopeWindow* w = m->scopeWindow(0);
  if (!m->session().usbActive() || w == nullptr) {
    st.SkipWithError("no USB device or no scope window");
    return;
  }
  w->toggleRealTimeLoop();
  QEventLoop warm;
  QTimer::singleShot(1000, &warm, &QEventLoop::quit);
  warm.exec();
  for (auto _ : st) {
    const int h0 = m->handOvers, c0 = m->changed;
    const double cpu0 = processCpuSeconds();
    QElapsedTimer clock;
    clock.start();
    QEventLoop run;
    QTimer::singleShot(10000, &run, &QEventLoop::quit);
    run.exec();
    const double cpu = processCpuSeconds() - cpu0;
    const double wall = static_cast<double>(clock.nsecsElapsed()) * 1e-9;
    const int h = m->handOvers - h0, c = m->changed - c0;
    st.counters["cpu_share_percent"] = 100.0 * cpu / wall;
    st.counters["hand_overs_per_s"] = h / wall;
    st.counters["changed_per_s"] = c / wall;
    st.counters["cpu_ms_per_hand_over"] = h > 0 ? 1000.0 * cpu / h : 0;
    st.counters["cpu_ms_per_changed"] = c > 0 ? 1000.0 * cpu / c : 0;
  }
  w->toggleRealTimeLoop();
  m.reset();
  fs::remove_all(dir);
}
BENCHMARK(BM_RunOverUsb)->Iterations(1)->Unit(benchmark::kMillisecond);

// A second Control menu and set of toolbars on a started window: what they add to the start.
void BM_BuildControlMenuAndToolbars(benchmark::State& st) {
  Bench b;
  auto m = b.start();
  // They stay with the window (the menus keep their actions registered) until it closes.
  for (auto _ : st) {
    benchmark::DoNotOptimize(new ControlMenu(*m, m->menus()));
    benchmark::DoNotOptimize(new ControlToolbars(*m, m->menus()));
  }
}
BENCHMARK(BM_BuildControlMenuAndToolbars)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace

CORVANE_QT_BENCHMARK_MAIN()
