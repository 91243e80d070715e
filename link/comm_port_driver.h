// CommPortDriver, the serial port driver: owns one serial port, reads it when its descriptor is
// readable (or, on an OS that cannot tell, on an injected poll timer) and sends with an output
// time-out. The line settings and how they reach the termios live in
// comm_port_settings.cpp; opening, reading and writing in comm_port_driver.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/io_watch.h"
#include "link/open_failure.h"
#include "link/port_devices.h"
#include "link/serial_os.h"
#include "link/timer_service.h"

namespace corvane {

// Ordinals are stored as 8-bit values in this order (settings files rely on it).
enum ComPortNumber : std::uint8_t { pnCOM1, pnCOM2, pnCOM3, pnCOM4 };
enum ComPortBaudRate : std::uint8_t {
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
enum ComPortDataBits : std::uint8_t { db5BITS, db6BITS, db7BITS, db8BITS };
enum ComPortStopBits : std::uint8_t { sb1BITS, sb1HALFBITS, sb2BITS };
enum ComPortParity : std::uint8_t { ptNONE, ptODD, ptEVEN, ptMARK, ptSPACE };
enum ComPortHwHandshaking : std::uint8_t { hhNONE, hhRTSCTS };
enum ComPortSwHandshaking : std::uint8_t { shNONE, shXONXOFF };

// Bit/s of a rate name; 0 for an ordinal outside the table.
std::uint32_t baudRateBitsPerSecond(ComPortBaudRate rate);

class CommPortDriver;

// dataPtr points into the driver's receive buffer and is valid only during the call.
using ComPortReceiveDataEvent =
    std::function<void(CommPortDriver& sender, const std::uint8_t* dataPtr, std::size_t dataSize)>;
using ComPortHangUpEvent = std::function<void(CommPortDriver& sender)>;

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

class CommPortDriver {
 public:
  // The largest chunk one OnReceiveData call delivers (the receive framer's limit).
  static constexpr std::size_t kMaxReceiveChunk = 30001;
  static constexpr int kFreeSpaceWhenDisconnected = 65535;

  // With `watches` (and an OS whose descriptors signal readiness) the port is read as bytes arrive
  // and the poll timer never runs; ComPortPollingDelay is still kept.
  explicit CommPortDriver(TimerService& timers, SerialOs& os = PosixSerialOs::instance(),
                          IoWatchService* watches = nullptr);
  ~CommPortDriver();
  CommPortDriver(const CommPortDriver&) = delete;
  CommPortDriver& operator=(const CommPortDriver&) = delete;

  // Setters ignore ordinals outside their enumeration.
  ComPortNumber comPort() const { return comPort_; }
  void setComPort(ComPortNumber port);  // ignored while connected
  ComPortBaudRate comPortSpeed() const { return speed_; }
  void setComPortSpeed(ComPortBaudRate speed);
  ComPortDataBits comPortDataBits() const { return dataBits_; }
  void setComPortDataBits(ComPortDataBits bits);
  ComPortStopBits comPortStopBits() const { return stopBits_; }
  void setComPortStopBits(ComPortStopBits bits);
  ComPortParity comPortParity() const { return parity_; }
  void setComPortParity(ComPortParity parity);
  ComPortHwHandshaking comPortHwHandshaking() const { return hwHandshaking_; }
  void setComPortHwHandshaking(ComPortHwHandshaking mode);
  ComPortSwHandshaking comPortSwHandshaking() const { return swHandshaking_; }
  void setComPortSwHandshaking(ComPortSwHandshaking mode);
  std::uint16_t comPortInBufSize() const { return inBufSize_; }
  void setComPortInBufSize(std::uint16_t size);  // ignored while connected, and for 0
  std::uint16_t comPortOutBufSize() const { return outBufSize_; }
  void setComPortOutBufSize(std::uint16_t size);  // takes effect at once; ignored for 0
  std::uint16_t comPortPollingDelay() const { return pollingDelay_; }
  void setComPortPollingDelay(std::uint16_t ms);
  bool enableDtrOnOpen() const { return enableDtrOnOpen_; }
  void setEnableDTROnOpen(bool enable) { enableDtrOnOpen_ = enable; }
  std::uint16_t outputTimeout() const { return outputTimeout_; }
  void setOutputTimeout(std::uint16_t ms) { outputTimeout_ = ms; }
  const ComPortReceiveDataEvent& onReceiveData() const { return onReceiveData_; }
  void setOnReceiveData(ComPortReceiveDataEvent handler) { onReceiveData_ = std::move(handler); }
  // Raised once when a read, write or ioctl shows that the device went away (a pseudo-terminal
  // whose master closed, an unplugged adapter). The port is already closed when it is raised.
  void setOnHangUp(ComPortHangUpEvent handler) { onHangUp_ = std::move(handler); }

  // The device behind each of COM1..COM4, looked up at connect().
  const PortDevices& portDevices() const { return portDevices_; }
  void setPortDevices(const PortDevices& devices) { portDevices_ = devices; }

  // True at once when already connected. Otherwise opens ComPort's device exclusively, applies the
  // settings and starts watching (or polling) it; false (port left closed) when any of that fails.
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
  void startReading();
  int applySettings();
  bool reapplyIfConnected();
  void closePort();
  void hangUp(int error);
  // True when err means the device is gone; then the port is closed and the hang-up reported.
  bool checkHangUp(int err);

  SerialOs& os_;
  std::unique_ptr<Timer> pollTimer_;
  IoWatchService* watches_;
  std::unique_ptr<IoWatch> readable_;
  PortDevices portDevices_;

  ComPortNumber comPort_ = pnCOM2;
  ComPortBaudRate speed_ = br9600;
  ComPortDataBits dataBits_ = db8BITS;
  ComPortStopBits stopBits_ = sb1BITS;
  ComPortParity parity_ = ptNONE;
  ComPortHwHandshaking hwHandshaking_ = hhNONE;
  ComPortSwHandshaking swHandshaking_ = shNONE;
  std::uint16_t inBufSize_ = 2048;
  std::uint16_t outBufSize_ = 2048;
  std::uint16_t pollingDelay_ = 50;
  bool enableDtrOnOpen_ = true;
  std::uint16_t outputTimeout_ = 4000;
  ComPortReceiveDataEvent onReceiveData_;
  ComPortHangUpEvent onHangUp_;

  int fd_ = -1;
  std::string openPath_;
  bool hungUp_ = false;
  int lastError_ = 0;
  std::vector<std::uint8_t> receiveBuffer_;
};

}  // namespace corvane
