// TCommPortDriver: owns one serial port, polls it on an injected timer and sends with an output
// time-out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/open_failure.h"
#include "link/port_devices.h"
#include "link/serial_os.h"
#include "link/timer_service.h"

namespace corvane {

// Ordinals are stored as 8-bit values in this order (settings files rely on it).
enum TComPortNumber : std::uint8_t { pnCOM1, pnCOM2, pnCOM3, pnCOM4 };
enum TComPortBaudRate : std::uint8_t {
  br110,
  br300,
  br600,
  br1200,
  br2400,
  br4800,
  br9600,
  br14400,
  br19200,
  br38400,
  br56000,
  br57600,
  br115200
};
enum TComPortDataBits : std::uint8_t { db5BITS, db6BITS, db7BITS, db8BITS };
enum TComPortStopBits : std::uint8_t { sb1BITS, sb1HALFBITS, sb2BITS };
enum TComPortParity : std::uint8_t { ptNONE, ptODD, ptEVEN, ptMARK, ptSPACE };
enum TComPortHwHandshaking : std::uint8_t { hhNONE, hhRTSCTS };
enum TComPortSwHandshaking : std::uint8_t { shNONE, shXONXOFF };

// Bit/s of a rate name; 0 for an ordinal outside the table.
std::uint32_t baudRateBitsPerSecond(TComPortBaudRate rate);

class TCommPortDriver;

// DataPtr points into the driver's receive buffer and is valid only during the call.
using TComPortReceiveDataEvent =
    std::function<void(TCommPortDriver& sender, const std::uint8_t* dataPtr, std::size_t dataSize)>;
using TComPortHangUpEvent = std::function<void(TCommPortDriver& sender)>;

enum class SendStatus {
  kComplete,      // every byte was written
  kNotConnected,  // nothing was written
  kTimedOut,      // the output queue stayed full for longer than OutputTimeout
  kHungUp,        // the device went away; the port is now closed
  kFailed,        // another write error
};

struct SendResult {
  std::size_t written = 0;
  SendStatus status = SendStatus::kNotConnected;

  bool ok() const { return status == SendStatus::kComplete; }
  // The classic count: bytes written, or their negation when the send did not complete
  // (so 0 both for "not connected" and for a time-out before the first byte).
  long signedCount() const {
    return ok() ? static_cast<long>(written) : -static_cast<long>(written);
  }
};

class TCommPortDriver {
 public:
  // The largest chunk one OnReceiveData call delivers (the receive framer's limit).
  static constexpr std::size_t kMaxReceiveChunk = 30001;
  static constexpr int kFreeSpaceWhenDisconnected = 65535;

  explicit TCommPortDriver(TimerService& timers, SerialOs& os = PosixSerialOs::instance());
  ~TCommPortDriver();
  TCommPortDriver(const TCommPortDriver&) = delete;
  TCommPortDriver& operator=(const TCommPortDriver&) = delete;

  // Setters ignore ordinals outside their enumeration.
  TComPortNumber ComPort() const { return comPort_; }
  void setComPort(TComPortNumber port);  // ignored while connected
  TComPortBaudRate ComPortSpeed() const { return speed_; }
  void setComPortSpeed(TComPortBaudRate speed);
  TComPortDataBits ComPortDataBits() const { return dataBits_; }
  void setComPortDataBits(TComPortDataBits bits);
  TComPortStopBits ComPortStopBits() const { return stopBits_; }
  void setComPortStopBits(TComPortStopBits bits);
  TComPortParity ComPortParity() const { return parity_; }
  void setComPortParity(TComPortParity parity);
  TComPortHwHandshaking ComPortHwHandshaking() const { return hwHandshaking_; }
  void setComPortHwHandshaking(TComPortHwHandshaking mode);
  TComPortSwHandshaking ComPortSwHandshaking() const { return swHandshaking_; }
  void setComPortSwHandshaking(TComPortSwHandshaking mode);
  std::uint16_t ComPortInBufSize() const { return inBufSize_; }
  void setComPortInBufSize(std::uint16_t size);  // ignored while connected, and for 0
  std::uint16_t ComPortOutBufSize() const { return outBufSize_; }
  void setComPortOutBufSize(std::uint16_t size);  // takes effect at once; ignored for 0
  std::uint16_t ComPortPollingDelay() const { return pollingDelay_; }
  void setComPortPollingDelay(std::uint16_t ms);
  bool EnableDTROnOpen() const { return enableDtrOnOpen_; }
  void setEnableDTROnOpen(bool enable) { enableDtrOnOpen_ = enable; }
  std::uint16_t OutputTimeout() const { return outputTimeout_; }
  void setOutputTimeout(std::uint16_t ms) { outputTimeout_ = ms; }
  const TComPortReceiveDataEvent& OnReceiveData() const { return onReceiveData_; }
  void setOnReceiveData(TComPortReceiveDataEvent handler) { onReceiveData_ = std::move(handler); }
  // Raised once when a read, write or ioctl shows that the device went away (a pseudo-terminal
  // whose master closed, an unplugged adapter). The port is already closed when it is raised.
  void setOnHangUp(TComPortHangUpEvent handler) { onHangUp_ = std::move(handler); }

  // The device behind each of COM1..COM4, looked up at connect().
  const PortDevices& portDevices() const { return portDevices_; }
  void setPortDevices(const PortDevices& devices) { portDevices_ = devices; }

  // True at once when already connected. Otherwise opens ComPort's device exclusively, applies the
  // settings and starts the poll; false (port left closed) when any of that fails.
  bool connect();
  // Always returns false.
  bool disconnect();
  bool connected() const { return fd_ >= 0; }
  // True from a hang-up until the next successful connect().
  bool hungUp() const { return hungUp_; }
  // errno of the last failed operation on the port (0 after a successful connect).
  int lastError() const { return lastError_; }
  // Why the last connect() failed, read from lastError() and ComPort's device at the call (the
  // processes holding it are looked up then); kind kNone while connected or before any failure.
  OpenFailure openFailure() const;
  // The device file of the open port; empty while disconnected.
  const std::string& devicePath() const { return openPath_; }

  // Discard pending input / output; false when disconnected or the system refuses.
  bool purgeInput();
  bool purgeOutput();
  // ComPortOutBufSize minus the bytes still queued for output (never below 0); 65535 while
  // disconnected.
  int outputFreeSpace();
  // Blocks until every byte is written, the output stays stalled for longer than OutputTimeout
  // milliseconds, or the device fails.
  SendResult send(const void* data, std::size_t length);

 private:
  void poll();
  int applySettings();
  bool reapplyIfConnected();
  void closePort();
  void hangUp(int error);
  // True when err means the device is gone; then the port is closed and the hang-up reported.
  bool checkHangUp(int err);

  SerialOs& os_;
  std::unique_ptr<Timer> pollTimer_;
  PortDevices portDevices_;

  TComPortNumber comPort_ = pnCOM2;
  TComPortBaudRate speed_ = br9600;
  TComPortDataBits dataBits_ = db8BITS;
  TComPortStopBits stopBits_ = sb1BITS;
  TComPortParity parity_ = ptNONE;
  TComPortHwHandshaking hwHandshaking_ = hhNONE;
  TComPortSwHandshaking swHandshaking_ = shNONE;
  std::uint16_t inBufSize_ = 2048;
  std::uint16_t outBufSize_ = 2048;
  std::uint16_t pollingDelay_ = 50;
  bool enableDtrOnOpen_ = true;
  std::uint16_t outputTimeout_ = 4000;
  TComPortReceiveDataEvent onReceiveData_;
  TComPortHangUpEvent onHangUp_;

  int fd_ = -1;
  std::string openPath_;
  bool hungUp_ = false;
  int lastError_ = 0;
  std::vector<std::uint8_t> receiveBuffer_;
};

}  // namespace corvane
