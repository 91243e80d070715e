// A session on the manual clock with both links wired to the simulated instrument: the serial
// driver runs on a fake operating system whose line ends in the model, the USB link on a fake
// FTDI backend. Replies reach the session on a later tick (the driver's next 50 ms poll, the
// USB poll's next millisecond).
#pragma once

#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <termios.h>

#include <algorithm>
#include <cerrno>
#include <deque>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "link/ftdi_backend.h"
#include "link/serial_os.h"
#include "link/timer_service.h"
#include "protocol/acquisition_session.h"
#include "protocol/recording_host.h"
#include "reply_frames.h"
#include "sim/kv2040_model.h"

namespace corvane::sessiontest {

// What the driver does to a serial line, answered from memory; the line's far end is `onWrite`.
class WireSerialOs : public SerialOs {
 public:
  std::set<std::string> existing{"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyS2", "/dev/ttyS3"};
  std::function<void(std::string_view)> onWrite;
  std::string input;  // waiting for the driver's next read
  std::vector<std::string> opened;
  termios lastAttributes{};
  int modemLines = TIOCM_DTR | TIOCM_RTS;  // raised as a tty opens

  int openDevice(const std::string& path) override {
    if (!existing.count(path)) return -ENOENT;
    opened.push_back(path);
    modemLines = TIOCM_DTR | TIOCM_RTS;
    return 5;
  }
  void closeDevice(int) override {}
  int lockExclusive(int) override { return 0; }
  int getAttributes(int, termios* t) override {
    *t = termios{};
    return 0;
  }
  int setAttributes(int, const termios& t) override {
    lastAttributes = t;
    return 0;
  }
  int setCustomRate(int, std::uint32_t) override { return 0; }
  int setModemLines(int, int lines) override {
    modemLines |= lines;
    return 0;
  }
  int clearModemLines(int, int lines) override {
    modemLines &= ~lines;
    return 0;
  }
  int flush(int, int) override { return 0; }
  long readSome(int, void* buffer, std::size_t size) override {
    if (input.empty()) return -EAGAIN;
    const std::size_t n = std::min(size, input.size());
    std::copy_n(input.data(), n, static_cast<char*>(buffer));
    input.erase(0, n);
    return static_cast<long>(n);
  }
  long writeSome(int, const void* data, std::size_t size) override {
    if (onWrite) onWrite(std::string_view(static_cast<const char*>(data), size));
    return static_cast<long>(size);
  }
  int outputQueued(int) override { return 0; }
  void waitWritable(int, int) override {}
  void pause(int) override {}
  std::int64_t monotonicMs() override { return 0; }
};

// An FTDI device that can be plugged, pulled and made to hand its queue over in small reads.
class WireFtdiBackend : public FtdiBackend {
 public:
  struct State {
    bool present = true;  // open() finds device 0
    bool lost = false;    // the device was pulled while open
    bool opened = false;
    int opens = 0;
    int closes = 0;
    uint32_t readTimeoutMs = 0;
    uint32_t maxRead = 32768;  // at most this much per read
    std::string rx;            // the device's receive queue
    std::function<void(std::string_view)> onWrite;
    std::vector<uint32_t> readTimeouts;  // every setTimeouts read value
  };
  explicit WireFtdiBackend(std::shared_ptr<State> state) : s_(std::move(state)) {}

  FtStatus open(int32_t index, FtHandle& handle) override {
    if (!s_->present || index != 0) return FT_DEVICE_NOT_FOUND;
    ++s_->opens;
    s_->opened = true;
    s_->lost = false;
    handle = 1;
    return FT_OK;
  }
  FtStatus close(FtHandle handle) override {
    ++s_->closes;
    if (handle == 0 || !s_->opened) return FT_INVALID_HANDLE;
    s_->opened = false;
    return FT_OK;
  }
  FtStatus resetDevice(FtHandle h) override { return usable(h); }
  FtStatus setBaudRate(FtHandle h, uint32_t) override { return usable(h); }
  FtStatus setDataCharacteristics(FtHandle h, uint8_t, uint8_t, uint8_t) override {
    return usable(h);
  }
  FtStatus setFlowControl(FtHandle h, uint16_t, uint8_t, uint8_t) override { return usable(h); }
  FtStatus setTimeouts(FtHandle h, uint32_t readMs, uint32_t) override {
    s_->readTimeoutMs = readMs;
    s_->readTimeouts.push_back(readMs);
    return usable(h);
  }
  FtStatus getQueueStatus(FtHandle h, uint32_t& rxBytes) override {
    if (FtStatus st = usable(h); st != FT_OK) return st;
    rxBytes = static_cast<uint32_t>(s_->rx.size());
    return FT_OK;
  }
  FtStatus write(FtHandle h, const uint8_t* data, uint32_t length, uint32_t& written) override {
    written = 0;
    if (FtStatus st = usable(h); st != FT_OK) return st;
    if (s_->onWrite) s_->onWrite(std::string_view(reinterpret_cast<const char*>(data), length));
    written = length;
    return FT_OK;
  }
  FtStatus read(FtHandle h, uint8_t* data, uint32_t length, uint32_t& got) override {
    got = 0;
    if (FtStatus st = usable(h); st != FT_OK) return st;
    got = static_cast<uint32_t>(std::min<std::size_t>({length, s_->maxRead, s_->rx.size()}));
    std::copy_n(s_->rx.data(), got, data);
    s_->rx.erase(0, got);
    return FT_OK;
  }

 private:
  FtStatus usable(FtHandle h) const {
    if (h == 0 || !s_->opened) return FT_INVALID_HANDLE;
    return s_->lost ? FT_IO_ERROR : FT_OK;
  }
  std::shared_ptr<State> s_;
};

// The windows as the session sees them; a shown image enables the capture button again.
class SessionTestHost : public RecordingHost, public SessionFocusHost {
 public:
  void ShowCapturedImage(const std::filesystem::path& file) override {
    RecordingHost::ShowCapturedImage(file);
    captureButton = true;
  }
  bool anyScopeWindowInUse() const override { return windowsOpen; }
  void focusHiddenEdit() override { ++edit1Focused; }

  bool windowsOpen = true;
  int edit1Focused = 0;

  int count(std::string_view call) const {
    return static_cast<int>(std::count(calls.begin(), calls.end(), std::string(call)));
  }
};

// The frame bodies between STX and ETX, in the order they were sent.
inline std::vector<std::string> framesIn(const std::string& bytes) {
  std::vector<std::string> out;
  std::size_t at = 0;
  while ((at = bytes.find('\x02', at)) != std::string::npos) {
    const std::size_t end = bytes.find('\x03', at);
    if (end == std::string::npos) break;
    out.push_back(bytes.substr(at + 1, end - at - 1));
    at = end + 1;
  }
  return out;
}

struct Rig {
  explicit Rig(sim::ModelOptions options = quietModel())
      : model(options), usbState(std::make_shared<WireFtdiBackend::State>()) {
    usbState->present = false;
    serialOs.onWrite = [this](std::string_view bytes) {
      serialSent += bytes;
      serialOs.input += answer(bytes);
    };
    usbState->onWrite = [this](std::string_view bytes) {
      usbSent += bytes;
      usbState->rx += answer(bytes);
    };
    session = std::make_unique<AcquisitionSession>(
        timers, host, writer, std::make_unique<WireFtdiBackend>(usbState), serialOs);
    session->setFocusHost(&host);
    // The instrument's own clock: Auto Set ends when the model says so.
    instrumentClock = timers.createTimer(1, [this] {
      const std::string late = model.poll(timers.now());
      if (late.empty()) return;
      if (session->linkChoice().usbChosen && session->usbActive()) {
        usbState->rx += late;
      } else {
        serialOs.input += late;
      }
    });
    instrumentClock->start();
  }

  std::string answer(std::string_view bytes) {
    if (instrumentSilent) return {};
    for (const std::string& f : framesIn(std::string(bytes))) {
      if (unanswered.count(f)) return {};
    }
    return model.handleBytes(bytes);
  }

  static sim::ModelOptions quietModel() {
    sim::ModelOptions o;
    o.noiseCodes = 0;
    o.diagnostics = [](std::string_view) {};
    return o;
  }

  // Serial at 38,400 bit/s, no parity; USB absent unless plugged before.
  void startSerial() {
    session->startUp(PortSettings{0, 5, 0, 0});
    session->firstShow(nullptr);
  }
  // USB present and chosen, as a restored record with LinkUsb 1 does at first show.
  void startUsb() {
    usbState->present = true;
    session->startUp(PortSettings{0, 5, 0, 0});
    WaveformBlock restored;
    restored.setLinkUsb(1);
    session->firstShow(&restored);
  }

  std::vector<std::string> serialFrames() const { return framesIn(serialSent); }
  std::vector<std::string> usbFrames() const { return framesIn(usbSent); }

  // Steps the clock until done() holds, at most limitMs; true when it did.
  bool runUntil(const std::function<bool()>& done, int limitMs = 20000) {
    for (int i = 0; i < limitMs; ++i) {
      if (done()) return true;
      timers.advance(1);
    }
    return done();
  }

  ManualTimerService timers;
  SessionTestHost host;
  testing::TempDir dir;
  DirectoryCaptureWriter writer{dir.path()};
  sim::Kv2040Model model;
  WireSerialOs serialOs;
  std::shared_ptr<WireFtdiBackend::State> usbState;
  std::string serialSent;
  std::string usbSent;
  bool instrumentSilent = false;
  std::set<std::string> unanswered;  // frame bodies the instrument ignores
  std::unique_ptr<AcquisitionSession> session;
  std::unique_ptr<Timer> instrumentClock;
};

// A running loop whose every tick is handled: status replies come back before the next tick, and
// a time base without waveform requests keeps each cycle to one request.
inline void startIdleLoop(Rig& r) {
  r.startSerial();
  sim::InstrumentSettings s = r.model.settings();
  s.timeDiv = 2;
  ASSERT_TRUE(r.model.setSettings(s));
  r.session->exchange().flags.ReplyReady = true;
  r.session->startLoop();
  r.timers.advance(200);
}

}  // namespace corvane::sessiontest
