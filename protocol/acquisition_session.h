// The acquisition session: everything of the instrument exchange that the main window owns once.
// It holds the link exchange (flags, staging WaveformBlock, sender, framer, decoder), the serial
// driver COMM, the USB link, the four timers and the two sequences that wait for replies
// (LoadSetup, CaptureScreenUsb). The waits are state machines advanced by "reply ready",
// "timed out" and "exit requested" after every received chunk, every Timer1 expiry and
// requestExit(): every operation returns at once and the caller's event loop keeps running.
//
// Driven by the main window with Qt timers and by corvane-cli with a real-time TimerService; tests
// step a ManualTimerService.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

#include "link/comm_port_driver.h"
#include "link/ftdi_backend.h"
#include "link/serial_os.h"
#include "link/timer_service.h"
#include "link/usb_link.h"
#include "protocol/capture_file.h"
#include "protocol/connection_selection.h"
#include "protocol/link_adapters.h"
#include "protocol/link_exchange.h"
#include "protocol/protocol_host.h"
#include "protocol/session_focus_host.h"

namespace corvane {

inline constexpr const char* kReceiveTimeOutText = "Receive time out.";
inline constexpr const char* kFrameRateText = "FrameRate = ";

class AcquisitionSession {
 public:
  static constexpr int kReplyTimeoutMs = 500;     // Timer1
  static constexpr int kAutoSetTimeoutMs = 7000;  // Timer1 after Auto Set
  static constexpr int kSlowReplyAboveMs = 6000;  // a parked frame sent above this pauses the loop
  static constexpr int kFocusIntervalMs = 1000;   // Timer2
  static constexpr int kUsbPollIntervalMs = 1;    // Timer3, and the capture read steps
  static constexpr int kLoopIntervalMs = 50;      // Timer4
  static constexpr int kLoopTimeoutLimit = 5;     // expiries in a row before the loop reports
  static constexpr int kWaitTicksRestart = 30;    // unhandled loop ticks that restart Timer1
  static constexpr uint8_t kPendingSendTick = 5;  // the sixth handled tick sends the parked frame
  static constexpr uint8_t kPendingEndTick = 10;  // the eleventh resumes the loop's requests

  // COMM starts as COM1 at 19,200 bit/s until startUp() applies the stored settings. The capture
  // writer receives "Test.BMP" from both the serial reply 166 and the USB capture.
  AcquisitionSession(TimerService& timers, ProtocolHost& host, CaptureFileWriter& captureWriter,
                     std::unique_ptr<FtdiBackend> usbBackend,
                     SerialOs& serialOs = PosixSerialOs::instance());
  ~AcquisitionSession();
  AcquisitionSession(const AcquisitionSession&) = delete;
  AcquisitionSession& operator=(const AcquisitionSession&) = delete;

  // Timer2's rule needs the window slots; without a focus host Timer2 does nothing.
  void setFocusHost(SessionFocusHost* focusHost) { focusHost_ = focusHost; }

  // --- Main window life.
  // Creation: ApplyPortSettings with the stored settings, then the USB open attempt (on failure
  // "USB is not available." once, USB1 disabled for the run, the serial link selected), then
  // Label1 "FrameRate = ".
  void startUp(const PortSettings& settings);
  // First show: starts Timer2 and chooses the link from the restored record (null: none).
  void firstShow(const WaveformBlock* restored);
  // Close: the USB device is closed whether or not one was ever opened.
  void closeAtExit();

  // --- Connection selection.
  // After the port dialog (and inside startUp): false after "COM port setting error !".
  bool ApplyPortSettings(const PortSettings& settings);
  // "USB": starts the USB poll, LinkUsb := 1 in the staging block, checks USB1. Ignored (false)
  // while USB1 is disabled.
  bool USB1Click();
  // "Comm": stops the USB poll (an open device stays open), LinkUsb := 0, checks Com1.
  void Com1Click();
  const LinkChoice& linkChoice() const { return linkChoice_; }

  // --- The real-time loop (RUN / STOP). Stopping sends a parked frame that has not gone out.
  void startLoop();
  void stopLoop();
  bool loopRunning() const { return Timer4_->active(); }

  // --- "Setup Para." load: locks the command controls, sends 171, 124, 70, 31 or 32, 200/9,
  // 200/7, 200/3, 200/5 (only while RecallSelect < 5) and 200/6 (while LimitsHidden is 0), each
  // after the previous one was answered or given up, then releases the lock and, unless a reply
  // timed out, hands the staging block to the host's ReceiveBlock. Sets LoadInProgress while it
  // runs. Returns false, doing nothing, while a load or a capture runs or the loop runs.
  bool LoadSetup();
  bool LoadFinished() const { return LoadFinished_; }
  bool LoadInProgress() const { return exchange_.flags.LoadInProgress; }
  // Called once at the end of each load; handedOver is false when a time-out skipped it.
  void setOnLoadFinished(std::function<void(bool handedOver)> onLoadFinished) {
    onLoadFinished_ = std::move(onLoadFinished);
  }

  // --- Instrument screen capture.
  // The capture button's whole path: locks the controls, disables the capture button, stops the
  // USB poll, CaptureLen := 0; over the serial link sends 166 and leaves the reply to the decoder
  // (a time-out releases the lock and the button); over USB runs CaptureScreenUsb and at its end
  // shows the image (or, when none was written, enables the capture button again) and releases
  // the lock. The USB poll runs again afterwards only while USB1 is checked. False, doing nothing,
  // while a load or a capture runs.
  bool captureScreen();
  // The raw USB capture: requests 166 and reads the image stream in 1 ms steps (each read waits
  // at most 500 ms) into CaptureBuf from CaptureLen on, showing "(length)" in RXTot; writes the
  // stream less its STX and ETX to "Test.BMP" and sets CaptureLen to that length. A query failure,
  // a time-out before the first byte, a device lost mid-stream or a stream longer than CaptureBuf
  // writes no file. Ends with TimedOut and ReplyReady set. The USB poll must not run meanwhile: a
  // running Timer3 is stopped and started again at the end. False while a load or capture runs.
  bool CaptureScreenUsb();
  bool captureRunning() const;
  // Called once at the end of each capture that this session ran (either link); imageWritten is
  // false when no new "Test.BMP" was written.
  void setOnCaptureFinished(std::function<void(bool imageWritten)> onCaptureFinished) {
    onCaptureFinished_ = std::move(onCaptureFinished);
  }

  // File, Exit: ends every wait of a running setup load at once.
  void requestExit();
  bool ExitRequested() const { return ExitRequested_; }

  // Where the serial driver and the USB poll deliver every chunk; tests may inject chunks here.
  void COMMReceiveData(const void* Sender, const uint8_t* DataPtr, int32_t DataSize);

  // --- State the windows and tests read.
  LinkExchange& exchange() { return exchange_; }
  const LinkExchange& exchange() const { return exchange_; }
  CommandSender& sender() { return exchange_.sender; }
  WaveformBlock& block() { return exchange_.block; }
  const ExchangeFlags& flags() const { return exchange_.flags; }
  bool TimedOut() const { return exchange_.flags.TimedOut; }
  uint8_t LoopPhase() const { return LoopPhase_; }
  int32_t WaitTicks() const { return WaitTicks_; }
  bool SlowReply() const { return SlowReply_; }
  uint8_t PendingTicks() const { return PendingTicks_; }
  bool UsbActive() const { return usb_.UsbActive(); }

  TCommPortDriver& COMM() { return COMM_; }
  UsbLink& usb() { return usb_; }
  // Auto Set sets Timer1's interval to kAutoSetTimeoutMs; tests read the timers' state.
  Timer& Timer1() { return *Timer1_; }
  Timer& Timer2() { return *Timer2_; }
  Timer& Timer3() { return *Timer3_; }
  Timer& Timer4() { return *Timer4_; }

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

  void Timer1Timer();
  void Timer2Timer();
  void Timer3Timer();
  void Timer4Timer();
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
  void keepTimer1Running();
  void restoreUsbPoll();
  void onUsbPlugged();
  void onUsbUnplugged();

  ProtocolHost& host_;
  SessionFocusHost* focusHost_ = nullptr;
  ObservedCaptureWriter captureWriter_;
  CaptureFileWriter& userCaptureWriter_;
  std::unique_ptr<Timer> Timer1_;
  std::unique_ptr<Timer> Timer2_;
  std::unique_ptr<Timer> Timer3_;
  std::unique_ptr<Timer> Timer4_;
  std::unique_ptr<Timer> captureTimer_;
  TCommPortDriver COMM_;
  UsbLink usb_;
  CommPortSerialWriter serialWriter_;
  UsbLinkWriter usbWriter_;
  LinkExchange exchange_;
  LinkChoice linkChoice_;

  // Real-time loop.
  uint8_t LoopPhase_ = 0;
  int32_t WaitTicks_ = 0;
  bool SlowReply_ = false;
  uint8_t PendingTicks_ = 0;
  uint64_t sentParkCount_ = 0;  // parkedFrames() when the slot's frame last went out

  // Setup load.
  bool LoadFinished_ = true;
  bool ExitRequested_ = false;
  LoadStep loadStep_ = LoadStep::kIdle;
  bool loadWaiting_ = false;
  std::function<void(bool)> onLoadFinished_;

  // Screen capture.
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
