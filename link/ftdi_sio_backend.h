// The FTDI bridge as the Linux kernel presents it: a ttyUSB serial device of the ftdi_sio driver,
// driven through termios. Stands in for the vendor's D2XX library, which the program does not use.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <string>

#include "link/ftdi_backend.h"
#include "link/ftdi_device_list.h"

namespace corvane {

struct FtdiSioConfig {
  FtdiDeviceRoots roots;
  // A configured device path (the [USB] "Device" key); when set it is device 0 and no other
  // device exists. Empty: device n is the n-th FTDI ttyUSB port found in sysfs.
  std::string devicePath;
};

// Mapping of the D2XX calls:
// - open: exclusive (TIOCEXCL, and flock(LOCK_EX | LOCK_NB), which also keeps out root), raw
//   mode, non-blocking descriptor, low latency asked of the driver; time-outs start at 0 ms (a
//   read returns what is there).
// - resetDevice: discards both queues (tcflush), the nearest a tty offers to a device reset.
// - line settings: termios; rates up to 4,000,000 bit/s from the standard table.
// - getQueueStatus: FIONREAD, after checking that the device is still there: the node must still
//   exist and be the same device, and the descriptor must not be hung up. Once lost, a device
//   answers every call but close with FT_IO_ERROR.
// - read: waits up to the read time-out for the first byte, then takes what has arrived (up to
//   the length asked for) without waiting for more.
// - write: writes what the driver accepts, waiting up to the write time-out each time it is full.
class FtdiSioBackend : public FtdiBackend {
 public:
  explicit FtdiSioBackend(FtdiSioConfig config = {});
  ~FtdiSioBackend() override;
  FtdiSioBackend(const FtdiSioBackend&) = delete;
  FtdiSioBackend& operator=(const FtdiSioBackend&) = delete;

  FtStatus open(int32_t index, FtHandle& handle) override;
  FtStatus close(FtHandle handle) override;
  FtStatus resetDevice(FtHandle handle) override;
  FtStatus setBaudRate(FtHandle handle, uint32_t baud) override;
  FtStatus setDataCharacteristics(FtHandle handle, uint8_t wordLength, uint8_t stopBits,
                                  uint8_t parity) override;
  FtStatus setFlowControl(FtHandle handle, uint16_t flow, uint8_t xon, uint8_t xoff) override;
  FtStatus setTimeouts(FtHandle handle, uint32_t readMs, uint32_t writeMs) override;
  FtStatus getQueueStatus(FtHandle handle, uint32_t& rxBytes) override;
  FtStatus write(FtHandle handle, const uint8_t* data, uint32_t length, uint32_t& written) override;
  FtStatus read(FtHandle handle, uint8_t* data, uint32_t length, uint32_t& got) override;
  // Described when asked, so the processes holding the device are those of that moment.
  OpenFailure lastOpenFailure() const override;

  bool signalsReadiness() const override { return true; }
  int readinessFd(FtHandle handle) override;
  // The configured path's folder (and the folder its link points into), or the device folder;
  // and /dev/serial/by-id where it exists.
  std::vector<std::string> arrivalFolders(int32_t index) const override;

  // The node that open(index) would use; empty when there is no such device.
  std::string devicePath(int32_t index) const override;
  const FtdiSioConfig& config() const { return config_; }

 private:
  struct Device {
    int fd = -1;
    std::string path;
    dev_t rdev = 0;
    int readTimeoutMs = 0;
    int writeTimeoutMs = 0;
    bool lost = false;
  };

  Device* find(FtHandle handle);
  bool stillThere(Device& d);
  FtStatus lose(Device& d);

  FtdiSioConfig config_;
  std::map<FtHandle, Device> devices_;
  std::string lastOpenPath_;  // the device the last failed open tried; empty when none existed
  int lastOpenError_ = 0;
  FtHandle nextHandle_ = 1;  // handles are never reused, so a stale one is always invalid
};

}  // namespace corvane
