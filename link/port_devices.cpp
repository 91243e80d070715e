#include "link/port_devices.h"

namespace corvane {

namespace {

bool validPort(int portNumber) {
  return portNumber >= 1 && portNumber <= PortDevices::kPortCount;
}

}  // namespace

PortDevices::PortDevices() {
  reset();
}

const std::string& PortDevices::path(int portNumber) const {
  static const std::string kNone;
  return validPort(portNumber) ? paths_[static_cast<std::size_t>(portNumber - 1)] : kNone;
}

bool PortDevices::set(int portNumber, std::string devicePath) {
  if (!validPort(portNumber)) return false;
  if (devicePath.find('\0') != std::string::npos) return false;
  std::string& slot = paths_[static_cast<std::size_t>(portNumber - 1)];
  if (devicePath.empty()) {
    slot = defaultPath(portNumber);
  } else if (devicePath.find('/') == std::string::npos) {
    slot = "/dev/" + devicePath;
  } else {
    slot = std::move(devicePath);
  }
  return true;
}

void PortDevices::reset() {
  for (int i = 1; i <= kPortCount; ++i) paths_[static_cast<std::size_t>(i - 1)] = defaultPath(i);
}

std::string PortDevices::defaultPath(int portNumber) {
  if (!validPort(portNumber)) return {};
  return "/dev/ttyS" + std::to_string(portNumber - 1);
}

int PortDevices::portNumberOf(std::string_view name) {
  if (name.size() != 4) return 0;
  auto upper = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; };
  if (upper(name[0]) != 'C' || upper(name[1]) != 'O' || upper(name[2]) != 'M') return 0;
  int n = name[3] - '0';
  return validPort(n) ? n : 0;
}

std::string PortDevices::portName(int portNumber) {
  if (!validPort(portNumber)) return {};
  return "COM" + std::to_string(portNumber);
}

}  // namespace corvane
