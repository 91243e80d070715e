#include "link/ftdi_device_list.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <string_view>
#include <utility>

namespace corvane {

namespace {

constexpr std::string_view kPortPrefix = "ttyUSB";
// The usb_device is two levels above its port; 16 is far beyond any real tree.
constexpr int kMaxWalkDepth = 16;

std::string portsDir(const FtdiDeviceRoots& roots) {
  return roots.sysRoot + "/bus/usb-serial/devices";
}

// Port number of "ttyUSB<digits>", -1 for any other name.
long portNumber(std::string_view name) {
  if (name.size() <= kPortPrefix.size() || name.substr(0, kPortPrefix.size()) != kPortPrefix) {
    return -1;
  }
  long n = 0;
  for (char c : name.substr(kPortPrefix.size())) {
    if (c < '0' || c > '9' || n > 1'000'000) return -1;
    n = n * 10 + (c - '0');
  }
  return n;
}

// The first line of an open file, trimmed and in lower case; closes the file.
std::string readTrimmedLower(int fd) {
  char buf[64];
  const ssize_t n = ::read(fd, buf, sizeof buf);
  ::close(fd);
  if (n <= 0) return {};
  std::string text(buf, size_t(n));
  text.erase(std::find(text.begin(), text.end(), '\n'), text.end());
  auto notSpace = [](unsigned char c) { return !std::isspace(c); };
  text.erase(text.begin(), std::find_if(text.begin(), text.end(), notSpace));
  text.erase(std::find_if(text.rbegin(), text.rend(), notSpace).base(), text.end());
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool sameNode(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace

std::string usbVendorOfPort(const FtdiDeviceRoots& roots, const std::string& portName) {
  struct stat root {};
  if (::stat(roots.sysRoot.c_str(), &root) != 0) return {};
  // Walk up through "..": the kernel resolves the links of the bus entry on the way, which is
  // far cheaper than resolving the path component by component here.
  std::string dir = portsDir(roots) + "/" + portName;
  for (int depth = 0; depth < kMaxWalkDepth; ++depth, dir += "/..") {
    const int fd = ::open((dir + "/idVendor").c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) return readTrimmedLower(fd);
    struct stat st {};
    if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return {};
    if (sameNode(st, root)) return {};  // never above the sysfs root
  }
  return {};
}

std::vector<std::string> listFtdiDevices(const FtdiDeviceRoots& roots) {
  std::vector<std::pair<long, std::string>> ports;
  if (DIR* d = ::opendir(portsDir(roots).c_str())) {
    while (const dirent* e = ::readdir(d)) {
      const long n = portNumber(e->d_name);
      if (n >= 0) ports.emplace_back(n, e->d_name);
    }
    ::closedir(d);
  }
  std::sort(ports.begin(), ports.end());
  std::vector<std::string> devices;
  for (const auto& [n, name] : ports) {
    if (usbVendorOfPort(roots, name) == kFtdiVendorId)
      devices.push_back(roots.devRoot + "/" + name);
  }
  return devices;
}

}  // namespace corvane
