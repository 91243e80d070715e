// Which device file stands behind each of the names "COM1" to "COM4".
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace corvane {

class PortDevices {
 public:
  static constexpr int kPortCount = 4;

  // Every port on its default device, /dev/ttyS0 to /dev/ttyS3.
  PortDevices();

  // portNumber 1..4; an empty string for any other number.
  const std::string& path(int portNumber) const;
  // Replaces one port's device. A bare name ("ttyUSB0") is taken from /dev; an empty path restores
  // the default. Returns false, changing nothing, for a port number outside 1..4 or a path that
  // holds a NUL byte.
  bool set(int portNumber, std::string devicePath);
  // Every port back on its default device.
  void reset();

  static std::string defaultPath(int portNumber);
  // "COM1".."COM4" (any letter case) to 1..4; 0 for any other name.
  static int portNumberOf(std::string_view name);
  // 1..4 to "COM1".."COM4"; empty for any other number.
  static std::string portName(int portNumber);

 private:
  std::array<std::string, kPortCount> paths_;
};

}  // namespace corvane
