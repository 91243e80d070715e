// Finding the FTDI bridges among the kernel's USB serial ports through sysfs.
#pragma once

#include <string>
#include <vector>

namespace corvane {

inline constexpr const char* kFtdiVendorId = "0403";

// Where the kernel's trees are; tests point both into a temporary directory.
struct FtdiDeviceRoots {
  std::string sysRoot = "/sys";
  std::string devRoot = "/dev";
};

// Device paths (devRoot + "/ttyUSBn") of the ttyUSB ports whose USB device has vendor id 0403,
// in ascending port number. The ports are the entries of sysRoot/bus/usb-serial/devices (absent
// when no USB serial driver is loaded), which the 1 ms poll can read far more cheaply than the
// whole tty class. The vendor is found by walking up from the port device to the first directory
// that holds an idVendor file. Ports of other vendors are skipped; the device node itself is not
// checked here.
std::vector<std::string> listFtdiDevices(const FtdiDeviceRoots& roots);

// The idVendor text (trimmed, lower case) of the USB device above a USB serial port ("ttyUSB0");
// empty when there is none.
std::string usbVendorOfPort(const FtdiDeviceRoots& roots, const std::string& portName);

}  // namespace corvane
