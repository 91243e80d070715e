// Every serial device on the machine, described from sysfs: /dev/serial/by-id, ttyUSB*, ttyACM*
// and the ttyS* behind which the kernel found a UART. Reads only sysfs and /dev; opens no device.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "link/ftdi_device_list.h"

namespace corvane {

// The /dev and /sys roots; tests point both into a temporary directory.
using DeviceRoots = FtdiDeviceRoots;

struct SerialDeviceInfo {
  std::string path;        // the node, devRoot + "/ttyUSB0"
  std::string kernelName;  // "ttyUSB0"
  std::string stableName;  // devRoot + "/serial/by-id/..." where there is one, else empty
  std::string driver;      // "ftdi_sio", "cdc_acm", "serial8250"; empty where sysfs has none
  // Of the USB device above the port; empty for a device that is not on USB.
  std::string vendorId;   // "0403"
  std::string productId;  // "6001"
  std::string serialNumber;
  std::string manufacturer;
  std::string product;
  // The FTDI driver's latency_timer in milliseconds, where sysfs has one.
  std::optional<int> latencyTimerMs;

  bool usb() const { return !vendorId.empty(); }
  bool ftdi() const { return driver == "ftdi_sio" || vendorId == kFtdiVendorId; }
  // "FTDI FT232R USB UART, USB 0403:6001, serial A1B2C3" or "serial8250"; empty when nothing is
  // known.
  std::string description() const;
  // The name to store for it: the stable one where there is one.
  const std::string& preferredName() const { return stableName.empty() ? path : stableName; }
};

// The devices in this order: ttyUSB, ttyACM, ttyS (each by number), then any other device that a
// /dev/serial/by-id link names. A ttyS is listed only when sysfs shows a device behind it and
// its "type" is not 0 (the kernel's PORT_UNKNOWN: no UART was found at that port).
std::vector<SerialDeviceInfo> listSerialDevices(const DeviceRoots& roots = {});

// What sysfs says about one path: a node, a link to one (by-id, or a test's link to a
// pseudo-terminal) or a bare name such as "ttyUSB0". The kernel name is the first name on the way
// through the links that sysfs lists under class/tty; a device sysfs does not know (a
// pseudo-terminal) keeps only its path.
SerialDeviceInfo describeSerialDevice(const std::string& path, const DeviceRoots& roots = {});

// The first line of a sysfs or /proc attribute file, blanks trimmed; empty when there is none.
std::string readAttribute(const std::string& path);

// The path with every link resolved; empty when it does not resolve.
std::string realPath(const std::string& path);

// True when both name the same device: equal paths, or links that resolve to the same node.
bool sameDevice(const std::string& a, const std::string& b);

}  // namespace corvane
