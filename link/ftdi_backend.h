// What the USB link needs of an FTDI driver: the ten D2XX calls, with the library's statuses.
// The production backend is FtdiSioBackend (the kernel's ftdi_sio serial device); tests may put
// a scripted one in its place.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "link/ftdi_status.h"
#include "link/open_failure.h"

namespace corvane {

class FtdiBackend {
 public:
  virtual ~FtdiBackend() = default;

  // Opens device number `index` (0 = the first) and stores its handle; the handle is left
  // unchanged on failure.
  virtual FtStatus open(int32_t index, FtHandle& handle) = 0;
  virtual FtStatus close(FtHandle handle) = 0;
  virtual FtStatus resetDevice(FtHandle handle) = 0;
  virtual FtStatus setBaudRate(FtHandle handle, uint32_t baud) = 0;
  virtual FtStatus setDataCharacteristics(FtHandle handle, uint8_t wordLength, uint8_t stopBits,
                                          uint8_t parity) = 0;
  virtual FtStatus setFlowControl(FtHandle handle, uint16_t flow, uint8_t xon, uint8_t xoff) = 0;
  virtual FtStatus setTimeouts(FtHandle handle, uint32_t readMs, uint32_t writeMs) = 0;
  // Bytes waiting in the receive queue. Fails once the device has gone.
  virtual FtStatus getQueueStatus(FtHandle handle, uint32_t& rxBytes) = 0;
  // Writes up to `length` bytes within the write time-out; `written` tells how many went.
  virtual FtStatus write(FtHandle handle, const uint8_t* data, uint32_t length,
                         uint32_t& written) = 0;
  // Reads up to `length` bytes, waiting at most the read time-out for the first of them;
  // `got` tells how many arrived (0 after a time-out).
  virtual FtStatus read(FtHandle handle, uint8_t* data, uint32_t length, uint32_t& got) = 0;
  // Why the last open() failed, where the backend can tell (kind kNone otherwise).
  virtual OpenFailure lastOpenFailure() const { return {}; }
  // The device file behind device `index`; empty when the backend has none or cannot tell.
  virtual std::string devicePath(int32_t /*index*/) const { return {}; }

  // --- Readiness. A backend that cannot signal arrival (a vendor library) keeps the defaults and
  // is polled every millisecond.
  virtual bool signalsReadiness() const { return false; }
  // The descriptor that turns readable when bytes arrive or the device goes; -1: none.
  virtual int readinessFd(FtHandle /*handle*/) { return -1; }
  // The folders where device `index`'s node appears, to watch while no device is open; empty:
  // nothing can be watched (the open is retried about once a second).
  virtual std::vector<std::string> arrivalFolders(int32_t /*index*/) const { return {}; }
};

}  // namespace corvane
