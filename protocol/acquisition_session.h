// The acquisition session: everything of the instrument exchange that the main window owns once.
// It holds the link exchange (flags, staging WaveformBlock, sender, framer, decoder), the serial
// port driver, the USB link and four timers, each named after its job:
//   - the reply time-out (500 ms; 7,000 ms after Auto Set) gives up on a request that got no
//     answer, so no wait lasts for ever;
//   - the focus keeper (every second) gives the keyboard focus back to the main window's hidden
//     edit while no scope window is open, so the menu shortcuts keep working;
//   - the USB poll (while the USB link is chosen) reads the USB device and notices when it is
//     plugged in or pulled out. With an IoWatchService and a backend that signals readiness it
//     runs when the device's descriptor is readable or hung up, and, while no device is open, when
//     its folder changes (inotify) and on a 1 s fallback retry; otherwise every millisecond;
//   - the real-time loop (every 50 ms between RUN and STOP) hands the latest record to the scope
//     window and asks the instrument for the next status and waveform.
// Two sequences wait for replies: the "Setup Para." load and the USB screen capture. They are
// state machines advanced by "reply ready", "timed out" and "exit requested" after every received
// chunk, every reply time-out and requestExit(): every operation returns at once and the caller's
// event loop keeps running.
//
// The member functions live in one file per job: acquisition_session.cpp (life, link choice, focus
// keeper), session_reply_timeout.cpp, session_usb_link.cpp (USB poll, plug and unplug),
// session_serial_link.cpp (serial loss and return, link health), session_setup_load.cpp,
// session_real_time_loop.cpp and session_capture.cpp.
//
// Driven by the main window with Qt timers and notifiers and by corvane-cli with a real-time
// TimerService that polls the descriptors; tests step a ManualTimerService and drive readiness
// through a PollIoWatchService.
//
// The session owns the loop's and the capture's state: which window started the loop and which
// asked for the capture (an id the caller chooses, -1 for none). Every state change is made before
// the host is asked to show a box about it.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

#include "link/comm_port_driver.h"
#include "link/folder_watch.h"
#include "link/ftdi_backend.h"
#include "link/io_watch.h"
#include "link/serial_os.h"
#include "link/timer_service.h"
#include "link/usb_link.h"
#include "protocol/capture_file.h"
#include "protocol/connection_selection.h"
#include "protocol/link_adapters.h"
#include "protocol/link_exchange.h"
#include "protocol/link_health.h"
#include "protocol/protocol_host.h"
#include "protocol/session_focus_host.h"

namespace corvane {

inline constexpr const char* kReceiveTimeOutText = "Receive time out.";
inline constexpr const char* kFrameRateText = "FrameRate = ";

class AcquisitionSession {
 public:
  static constexpr int kReplyTimeoutMs = 500;     // the reply time-out
  static constexpr int kAutoSetTimeoutMs = 7000;  // the reply time-out after Auto Set
  static constexpr int kSlowReplyAboveMs = 6000;  // a parked frame sent above this pauses the loop
  static constexpr int kFocusIntervalMs = 1000;   // the focus keeper
  static constexpr int kUsbPollIntervalMs = 1;    // the USB poll, and the capture read steps
  static constexpr int kUsbRetryIntervalMs = 1000;  // the open retry while a device is watched for
  static constexpr int kLoopIntervalMs = 50;        // the real-time loop
  static constexpr int kLoopTimeoutLimit = 5;       // expiries in a row before the loop reports
  static constexpr int kWaitTicksRestart = 30;    // unhandled loop ticks that restart the time-out
  static constexpr uint8_t kPendingSendTick = 5;  // the sixth handled tick sends the parked frame
  static constexpr uint8_t kPendingEndTick = 10;  // the eleventh resumes the loop's requests

  // The serial port starts as COM1 at 19,200 bit/s until startUp() applies the stored settings. The
  // capture writer receives "Test.BMP" from both the serial reply 166 and the USB capture.
  AcquisitionSession(TimerService& timers, ProtocolHost& host, CaptureFileWriter& captureWriter,
                     std::unique_ptr<FtdiBackend> usbBackend,
                     SerialOs& serialOs = PosixSerialOs::instance(),
                     IoWatchService* watches = nullptr);
  ~AcquisitionSession();
  AcquisitionSession(const AcquisitionSession&) = delete;
  AcquisitionSession& operator=(const AcquisitionSession&) = delete;

  // The focus keeper needs the window slots; without a focus host it does nothing.
  void setFocusHost(SessionFocusHost* focusHost) { focusHost_ = focusHost; }

  // --- Main window life.
  // Creation: applyPortSettings with the stored settings, then the USB open attempt (on failure
  // "USB is not available." once, the USB choice disabled for the run, the serial link chosen),
  // then the frame-rate text "FrameRate = ".
  void startUp(const PortSettings& settings);
  // First show: starts the focus keeper and chooses the link from the restored record (null: none).
  void firstShow(const WaveformBlock* restored);
  // Close: the USB device is closed whether or not one was ever opened.
  void closeAtExit();

  // --- Connection selection.
  // After the port dialog (and inside startUp): false after "COM port setting error !", whose
  // detail names the device and the reason.
  bool applyPortSettings(const PortSettings& settings);
  // "USB": starts the USB poll (waiting on readiness, a device that is not there is tried at once),
  // LinkUsb := 1 in the staging block, marks USB as chosen. Ignored
  // (false) while USB is not available.
  bool chooseUsbLink();
  // "Comm": stops the USB poll (an open device stays open), LinkUsb := 0, marks serial as chosen.
  void chooseSerialLink();
  const LinkChoice& linkChoice() const { return linkChoice_; }

  // --- The serial port once open. A write that fails or stalls, or a device that hangs up, is
  // reported once ("COM port setting error !" with the device and the reason), the port is closed
  // and, when it served the link in use, the loop stops. The port opens again from the port dialog
  // or, with an IoWatchService, when its device file comes back.
  bool watchingSerialReturn() const { return serialReturn_ != nullptr; }

  // --- Link health: the link chosen, its device, open or not, the last reply's age, and the
  // time-outs and discarded bytes since start. The host hears of changes by linkHealthChanged().
  LinkHealth linkHealth() const;

  // --- The real-time loop (RUN / STOP). Stopping sends a parked frame that has not gone out.
  // `window` is the requester's id, told back through ProtocolHost::loopStopped.
  void startLoop(int window = -1);
  void stopLoop();
  bool loopRunning() const { return realTimeLoop_->active(); }
  int loopWindow() const { return loopWindow_; }

  // --- "Setup Para." load: locks the command controls, sends 171, 124, 70, 31 or 32, 200/9,
  // 200/7, 200/3, 200/5 (only while RecallSelect < 5) and 200/6 (while LimitsHidden is 0), each
  // after the previous one was answered or given up, then releases the lock and, unless a reply
  // timed out, hands the staging block to the host's ReceiveBlock. Sets LoadInProgress while it
  // runs. Returns false, doing nothing, while a load or a capture runs or the loop runs.
  bool startSetupLoad();
  bool loadFinished() const { return loadFinished_; }
  bool loadInProgress() const { return exchange_.flags.LoadInProgress; }
  // Called once at the end of each load; handedOver is false when a time-out skipped it.
  void setOnLoadFinished(std::function<void(bool handedOver)> onLoadFinished) {
    onLoadFinished_ = std::move(onLoadFinished);
  }

  // --- Instrument screen capture.
  // The capture button's whole path: locks the controls, disables the capture button, stops the
  // USB poll, CaptureLen := 0; over the serial link sends 166 and leaves the reply to the decoder
  // (a time-out releases the lock and the button); over USB runs captureScreenOverUsb and at its
  // end shows the image (or, when none was written, enables the capture button again) and
  // releases the lock. The USB poll runs again afterwards only while USB is the chosen link.
  // False, doing nothing, while a load or a capture runs. `window` is the requester: the host's
  // capture-button and image calls are meant for captureWindow() until the capture has ended.
  bool captureScreen(int window = -1);
  int captureWindow() const { return captureWindow_; }
  // The raw USB capture: requests 166 and reads the image stream in 1 ms steps (each read waits
  // at most 500 ms) into CaptureBuf from CaptureLen on, showing "(length)" in RXTot; writes the
  // stream less its STX and ETX to "Test.BMP" and sets CaptureLen to that length. A query failure,
  // a time-out before the first byte, a device lost mid-stream or a stream longer than CaptureBuf
  // writes no file. Ends with TimedOut and ReplyReady set. The USB poll must not run meanwhile: a
  // running poll is stopped and started again at the end. False while a load or capture runs.
  bool captureScreenOverUsb();
  bool captureRunning() const;
  // Called once at the end of each capture that this session ran (either link); imageWritten is
  // false when no new "Test.BMP" was written.
  void setOnCaptureFinished(std::function<void(bool imageWritten)> onCaptureFinished) {
    onCaptureFinished_ = std::move(onCaptureFinished);
  }

  // File, Exit: ends every wait of a running setup load at once.
  void requestExit();
  bool exitRequested() const { return exitRequested_; }

  // Where the serial driver and the USB poll deliver every chunk; tests may inject chunks here.
  void receiveData(const void* sender, const uint8_t* data, int32_t size);

  // --- State the windows and tests read.
  LinkExchange& exchange() { return exchange_; }
  const LinkExchange& exchange() const { return exchange_; }
  CommandSender& sender() { return exchange_.sender; }
  WaveformBlock& block() { return exchange_.block; }
  const ExchangeFlags& flags() const { return exchange_.flags; }
  bool timedOut() const { return exchange_.flags.TimedOut; }
  uint8_t loopPhase() const { return loopPhase_; }
  int32_t waitTicks() const { return waitTicks_; }
  bool slowReply() const { return slowReply_; }
  uint8_t pendingTicks() const { return pendingTicks_; }
  bool usbActive() const { return usb_.usbActive(); }
  // The USB poll is on (the USB link chosen, no capture running), by ticks or by readiness.
  bool usbPollOn() const { return usbPollOn_; }
  bool usbOnReadiness() const { return watches_ != nullptr && usb_.signalsReadiness(); }

  CommPortDriver& serialPort() { return serialPort_; }
  UsbLink& usb() { return usb_; }
  // Auto Set sets the reply time-out's interval to kAutoSetTimeoutMs; its reply (or its time-out
  // outside the loop) sets it back. Tests read the timers' state. The USB poll timer runs only
  // for a backend without readiness; usbRetry() is the fallback open retry of the readiness path.
  Timer& replyTimeout() { return *replyTimeout_; }
  Timer& focusKeeper() { return *focusKeeper_; }
  Timer& usbPoll() { return *usbPoll_; }
  Timer& realTimeLoop() { return *realTimeLoop_; }
  Timer& usbRetry() { return *usbRetry_; }

 private:
  enum class LoadStep : uint8_t {
    kIdle,
    kVariant,
    kAveraging,
    kRecallSelect,
    kTimeDiv,
    kStatus,
    kRecallInfo,
    kWaveform,
    kRecallTrace,
    kLimits,
    kFinish,
  };
  enum class CapturePhase : uint8_t { kIdle, kWaitFirstByte, kRead };

  // Sees every "Test.BMP" write, so a serial capture knows when its reply was decoded.
  class ObservedCaptureWriter : public CaptureFileWriter {
   public:
    ObservedCaptureWriter(CaptureFileWriter& inner, AcquisitionSession& session)
        : inner_(inner), session_(session) {}
    CaptureWriteResult writeCapture(std::span<const uint8_t> bytes) override;

   private:
    CaptureFileWriter& inner_;
    AcquisitionSession& session_;
  };

  // A timer started while running keeps its interval; a stopped one begins a full interval.
  static void startIfStopped(Timer& timer) {
    if (!timer.active()) timer.start();
  }

  // The four timers' handlers, each in the file of its job.
  void onReplyTimeout();
  void onFocusKeeperTick();
  void onUsbPollTick();
  void onRealTimeLoopTick();
  void captureStep();

  void advance();
  void advanceLoad();
  void runLoadStep();
  void loadRequest(uint16_t code);
  void loadDataRequest(uint16_t field);
  void finishLoad();
  void startUsbCapture(bool fromButton);
  void finishUsbCapture(bool imageWritten, const std::filesystem::path& file = {});
  void finishSerialCapture();
  void keepReplyTimeoutRunning();
  void restoreUsbPoll();
  void startUsbPoll();
  void stopUsbPoll();
  void usbPollStep();
  void updateUsbWatches();
  void endAutoSetWait();
  void onUsbPlugged();
  void onUsbUnplugged();
  void onSerialWriteFailed(const SendResult& result);
  void onSerialHungUp();
  void onSerialLost(const std::string& detail);
  void stopLoopForLostLink();
  void watchSerialReturn(const std::string& device);
  void serialReturnStep();

  ProtocolHost& host_;
  SessionFocusHost* focusHost_ = nullptr;
  ObservedCaptureWriter captureWriter_;
  CaptureFileWriter& userCaptureWriter_;
  std::unique_ptr<Timer> replyTimeout_;
  std::unique_ptr<Timer> focusKeeper_;
  std::unique_ptr<Timer> usbPoll_;
  std::unique_ptr<Timer> realTimeLoop_;
  std::unique_ptr<Timer> captureTimer_;
  std::unique_ptr<Timer> usbRetry_;
  IoWatchService* watches_;
  std::unique_ptr<IoWatch> usbReadable_;
  int usbReadableFd_ = -1;
  std::unique_ptr<FolderWatch> usbArrival_;
  std::unique_ptr<IoWatch> usbArrivalReadable_;
  bool usbPollOn_ = false;
  CommPortDriver serialPort_;
  UsbLink usb_;
  CommPortSerialWriter serialWriter_;
  UsbLinkWriter usbWriter_;
  LinkExchange exchange_;
  LinkChoice linkChoice_;
  std::unique_ptr<FolderWatch> serialReturn_;
  std::unique_ptr<IoWatch> serialReturnReadable_;

  // Link health.
  uint64_t timeouts_ = 0;
  std::optional<std::chrono::steady_clock::time_point> lastReply_;

  // Real-time loop.
  int loopWindow_ = -1;
  uint8_t loopPhase_ = 0;
  int32_t waitTicks_ = 0;
  bool slowReply_ = false;
  uint8_t pendingTicks_ = 0;
  uint64_t sentParkCount_ = 0;  // parkedFrames() when the slot's frame last went out

  // Setup load.
  bool loadFinished_ = true;
  bool exitRequested_ = false;
  LoadStep loadStep_ = LoadStep::kIdle;
  bool loadWaiting_ = false;
  std::function<void(bool)> onLoadFinished_;

  // Screen capture.
  int captureWindow_ = -1;
  CapturePhase capturePhase_ = CapturePhase::kIdle;
  std::optional<UsbCaptureStream> stream_;
  bool usbCaptureFromButton_ = false;  // started by captureScreen(): release the lock at its end
  bool restartPollAfterCapture_ = false;
  bool serialCapture_ = false;  // a serial 166 request awaits its reply or its time-out
  std::optional<bool> serialCaptureWritten_;
  std::function<void(bool)> onCaptureFinished_;

  bool advancing_ = false;
  bool advanceAgain_ = false;
};

}  // namespace corvane
