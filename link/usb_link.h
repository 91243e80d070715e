// The USB link to the instrument's FTDI bridge: one wrapper per D2XX call, the link's handle and
// buffers, the fixed line settings, and the operations the session drives (start-up open, the
// poll with plug and unplug, run when the device's descriptor is readable or, for a backend that
// cannot signal, every millisecond; frame writes, the screen-capture reads).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "link/ftdi_backend.h"
#include "link/ftdi_status.h"
#include "link/usb_capture_stream.h"

namespace corvane {

// Error boxes for failed D2XX calls are built in but switched off in this program.
inline constexpr bool kUsbErrorReports = false;

inline constexpr const char* kUsbNotAvailableText = "USB is not available.";
inline constexpr const char* kUsbEnabledText = "USB device is enabled.";
inline constexpr const char* kUsbDisabledText = "USB device is disable.";

struct UsbLinkCallbacks {
  // A failed D2XX call's report text ("FT_Open - Device Not Found...."); called only while
  // `UsbErrorReports` is on. The session shows it in an error box.
  std::function<void(const std::string& text)> onError;
  // Bytes read by the poll, at most kMaxReceiveChunk per call (receiveData).
  std::function<void(const uint8_t* data, int32_t size)> onReceive;
  // The poll opened the device: show kUsbEnabledText (information box).
  std::function<void()> onPlugged;
  // The poll lost the device and closed it: show kUsbDisabledText (error box), stop the real-time
  // loop and reset the active scope window's RUN and "Setup Para." buttons.
  std::function<void()> onUnplugged;
};

enum class UsbPollResult : uint8_t {
  kAbsent,     // closed and device 0 could not be opened (silent retry next tick)
  kPlugged,    // device 0 opened and set up; onPlugged called
  kUnplugged,  // queue status failed; device closed, onUnplugged called
  kIdle,       // open, nothing waiting
  kReceived,   // open, bytes read and handed to onReceive
};

enum class UsbCaptureWait : uint8_t { kWaiting, kReady, kFailed };

class UsbLink {
 public:
  static constexpr size_t kUsbBufSize = 32768;  // UsbRxBuf
  static constexpr size_t kTransmitBufSize = 4096;
  // The receive framer takes at most this much per chunk; longer reads are handed on in parts.
  static constexpr size_t kMaxReceiveChunk = 30001;
  static constexpr uint32_t kBaudRate = 921600;
  static constexpr uint32_t kLinkTimeoutMs = 6;
  static constexpr uint32_t kCaptureTimeoutMs = 500;
  static constexpr uint8_t kXon = 0x11;
  static constexpr uint8_t kXoff = 0x13;

  explicit UsbLink(std::unique_ptr<FtdiBackend> backend, UsbLinkCallbacks callbacks = {},
                   bool errorReports = kUsbErrorReports);
  ~UsbLink();
  UsbLink(const UsbLink&) = delete;
  UsbLink& operator=(const UsbLink&) = delete;

  void setCallbacks(UsbLinkCallbacks callbacks) { callbacks_ = std::move(callbacks); }
  FtdiBackend& backend() { return *backend_; }
  // Why the device did not open (at start-up or on the poll's last try), in words.
  OpenFailure lastOpenFailure() const { return backend_->lastOpenFailure(); }
  // The device file of the bridge; empty when the backend cannot tell.
  std::string devicePath() const { return backend_->devicePath(UsbDeviceIndex_); }

  // --- One wrapper per D2XX call: calls it with UsbHandle, reports a failure, returns the status.
  // FT_Open(UsbDeviceIndex, &UsbHandle). A handle still held is closed first.
  FtStatus open();
  // FT_Close(UsbHandle); UsbHandle becomes 0 and UsbActive clear, so a second close (poll, then
  // exit) never reaches the library with a handle it has already freed.
  FtStatus close();
  FtStatus resetDevice();
  FtStatus setBaudRate();             // 921,600 bit/s
  FtStatus setDataCharacteristics();  // 8 bits, 1 stop bit, no parity
  FtStatus setFlowControl();          // none, XON 0x11, XOFF 0x13
  FtStatus setTimeouts(uint32_t readMs, uint32_t writeMs);
  FtStatus getQueueStatus();  // fills UsbRxQueue
  // FT_Write of `length` bytes of the transmit buffer (at most its size); returns bytes written.
  uint32_t write(uint32_t length);
  // FT_Read of up to `max` bytes (at most 32,768) into UsbRxBuf; returns bytes read.
  uint32_t read(uint32_t max);
  // Status of the last FT_Read.
  FtStatus lastReadStatus() const { return lastReadStatus_; }

  // --- Operations of the session.
  // reset, rate, data, flow, time-outs (6, 6), in this order.
  void setUp();
  // Start-up: open and, on success, set up and set UsbActive. False: USB is not usable; the
  // caller shows kUsbNotAvailableText once, disables the USB choice and selects the serial link.
  bool openAtStartUp();
  // Exit: close, whether or not a device was ever opened.
  void closeAtExit() { close(); }
  // A frame through the transmit buffer: one FT_Write of exactly `length` bytes (a frame longer
  // than the buffer goes in buffer-sized writes). Returns the bytes written.
  uint32_t sendFrame(const uint8_t* data, size_t length);
  // One step of the USB poll: on readiness, on a sign of arrival, or on a tick.
  UsbPollResult poll();
  bool signalsReadiness() const { return backend_->signalsReadiness(); }
  // The open device's descriptor for readiness; -1 while closed or when the backend has none.
  int readinessFd() { return usbActive_ ? backend_->readinessFd(UsbHandle_) : -1; }
  // Where device 0 appears while none is open (see FtdiBackend::arrivalFolders).
  std::vector<std::string> arrivalFolders() const {
    return backend_->arrivalFolders(UsbDeviceIndex_);
  }

  // --- Screen capture over USB (the sequence itself runs in the session).
  void setCaptureTimeouts() { setTimeouts(kCaptureTimeoutMs, kCaptureTimeoutMs); }
  void setLinkTimeouts() { setTimeouts(kLinkTimeoutMs, kLinkTimeoutMs); }
  // One query while waiting for the first byte of the image stream.
  UsbCaptureWait captureWaitStep();
  // One read of up to 32,768 bytes, appended to `stream`; returns the bytes read (0 ends the
  // stream: the read time-out passed without data, or the read failed, which marks the stream
  // lost).
  uint32_t captureReadStep(UsbCaptureStream& stream);

  // --- Module state.
  FtHandle UsbHandle() const { return UsbHandle_; }
  int32_t UsbDeviceIndex() const { return UsbDeviceIndex_; }
  uint32_t UsbRxQueue() const { return UsbRxQueue_; }
  std::span<const uint8_t> UsbRxBuf() const { return {UsbRxBuf_->data(), UsbRxBuf_->size()}; }
  std::span<uint8_t> transmitBuffer() { return {txBuf_->data(), txBuf_->size()}; }
  // The device is open (set at start-up or by the poll, cleared by the poll on loss and by close).
  bool usbActive() const { return usbActive_; }
  bool UsbErrorReports() const { return UsbErrorReports_; }

 private:
  FtStatus UsbCall(FtdiFunction fn, FtStatus status);
  void deliver(uint32_t size);

  std::unique_ptr<FtdiBackend> backend_;
  UsbLinkCallbacks callbacks_;
  const bool UsbErrorReports_;
  FtHandle UsbHandle_ = 0;
  const int32_t UsbDeviceIndex_ = 0;
  uint32_t UsbRxQueue_ = 0;
  bool usbActive_ = false;
  FtStatus lastReadStatus_ = FT_OK;
  std::unique_ptr<std::array<uint8_t, kUsbBufSize>> UsbRxBuf_;
  std::unique_ptr<std::array<uint8_t, kTransmitBufSize>> txBuf_;
};

}  // namespace corvane
