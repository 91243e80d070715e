#include "link/serial_device_list.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <string_view>
#include <tuple>

namespace corvane {

namespace {

// Far beyond any real link chain or sysfs depth.
constexpr int kMaxLinks = 16;
constexpr int kMaxWalkDepth = 16;

const char* const kFamilies[] = {"ttyUSB", "ttyACM", "ttyS"};

bool exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

std::string readLink(const std::string& path) {
  char buf[PATH_MAX];
  const ssize_t n = ::readlink(path.c_str(), buf, sizeof buf - 1);
  return n > 0 ? std::string(buf, std::size_t(n)) : std::string();
}

std::string baseName(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string dirName(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// Family index (0 ttyUSB, 1 ttyACM, 2 ttyS) and number of a kernel name; family -1 otherwise.
std::pair<int, long> family(std::string_view name) {
  for (int f = 0; f < 3; ++f) {
    const std::string_view prefix = kFamilies[f];
    if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix) continue;
    long n = 0;
    bool digits = true;
    for (char c : name.substr(prefix.size())) {
      if (c < '0' || c > '9' || n > 1'000'000) {
        digits = false;
        break;
      }
      n = n * 10 + (c - '0');
    }
    if (digits) return {f, n};
  }
  return {-1, 0};
}

std::string classDir(const DeviceRoots& roots, const std::string& name) {
  return roots.sysRoot + "/class/tty/" + name;
}

bool knownToSysfs(const DeviceRoots& roots, const std::string& name) {
  return !name.empty() && name != "." && name != ".." && exists(classDir(roots, name));
}

// The kernel documents ttyS<n>/type as the TIOCGSERIAL port type; 0 is PORT_UNKNOWN.
bool hasUart(const DeviceRoots& roots, const std::string& name) {
  const std::string dir = classDir(roots, name);
  if (!exists(dir + "/device")) return false;
  const std::string type = readAttribute(dir + "/type");
  return !type.empty() && type != "0";
}

// Fills the USB attributes from the first directory above the port that holds idVendor.
void readUsbAttributes(const DeviceRoots& roots, SerialDeviceInfo& info) {
  struct stat root {};
  if (::stat(roots.sysRoot.c_str(), &root) != 0) return;
  std::string dir = classDir(roots, info.kernelName) + "/device";
  for (int depth = 0; depth < kMaxWalkDepth; ++depth, dir += "/..") {
    struct stat st {};
    if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return;
    if (exists(dir + "/idVendor")) {
      info.vendorId = lower(readAttribute(dir + "/idVendor"));
      info.productId = lower(readAttribute(dir + "/idProduct"));
      info.serialNumber = readAttribute(dir + "/serial");
      info.manufacturer = readAttribute(dir + "/manufacturer");
      info.product = readAttribute(dir + "/product");
      return;
    }
    if (st.st_dev == root.st_dev && st.st_ino == root.st_ino) return;
  }
}

// Since Linux 6.5 a UART's tty hangs below the serial core's own "port" and "ctrl" devices;
// the driver worth naming is that of the device above them.
std::string driverOf(std::string device) {
  for (int depth = 0; depth < kMaxWalkDepth; ++depth, device += "/..") {
    const std::string link = readLink(device + "/driver");
    if (link.empty()) return {};
    if (link.find("/serial-base/") == std::string::npos) return baseName(link);
  }
  return {};
}

void readSysfs(const DeviceRoots& roots, SerialDeviceInfo& info) {
  if (!knownToSysfs(roots, info.kernelName)) return;
  const std::string device = classDir(roots, info.kernelName) + "/device";
  info.driver = driverOf(device);
  if (const std::string latency = readAttribute(device + "/latency_timer"); !latency.empty()) {
    char* end = nullptr;
    const long ms = std::strtol(latency.c_str(), &end, 10);
    if (*end == '\0' && ms >= 0 && ms <= 255) info.latencyTimerMs = static_cast<int>(ms);
  }
  readUsbAttributes(roots, info);
}

// Follows `path` link by link until a name that sysfs lists; that name, or the last one reached.
std::string kernelNameOf(const DeviceRoots& roots, std::string path) {
  for (int i = 0; i < kMaxLinks; ++i) {
    const std::string name = baseName(path);
    if (knownToSysfs(roots, name)) return name;
    const std::string to = readLink(path);
    if (to.empty()) return name;
    path = to[0] == '/' ? to : dirName(path) + "/" + to;
  }
  return baseName(path);
}

}  // namespace

std::string realPath(const std::string& path) {
  char* real = ::realpath(path.c_str(), nullptr);
  if (real == nullptr) return {};
  std::string out = real;
  std::free(real);
  return out;
}

std::string readAttribute(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return {};
  char buf[256];
  const ssize_t n = ::read(fd, buf, sizeof buf);
  ::close(fd);
  if (n <= 0) return {};
  std::string text(buf, std::size_t(n));
  text.erase(std::find(text.begin(), text.end(), '\n'), text.end());
  auto notSpace = [](unsigned char c) { return !std::isspace(c); };
  text.erase(text.begin(), std::find_if(text.begin(), text.end(), notSpace));
  text.erase(std::find_if(text.rbegin(), text.rend(), notSpace).base(), text.end());
  return text;
}

std::string SerialDeviceInfo::description() const {
  std::string d;
  auto add = [&d](const std::string& part, const char* separator) {
    if (part.empty()) return;
    if (!d.empty()) d += separator;
    d += part;
  };
  add(manufacturer, " ");
  add(product, " ");
  if (usb()) add("USB " + vendorId + ":" + productId, ", ");
  if (!serialNumber.empty()) add("serial " + serialNumber, ", ");
  if (!usb()) add(driver, ", ");
  return d;
}

bool sameDevice(const std::string& a, const std::string& b) {
  if (a.empty() || b.empty()) return false;
  if (a == b) return true;
  const std::string ra = realPath(a);
  return !ra.empty() && ra == realPath(b);
}

SerialDeviceInfo describeSerialDevice(const std::string& path, const DeviceRoots& roots) {
  SerialDeviceInfo info;
  info.path = path.find('/') == std::string::npos ? roots.devRoot + "/" + path : path;
  info.kernelName = kernelNameOf(roots, info.path);
  readSysfs(roots, info);
  return info;
}

std::vector<SerialDeviceInfo> listSerialDevices(const DeviceRoots& roots) {
  std::vector<std::tuple<int, long, std::string>> names;
  if (DIR* d = ::opendir(roots.devRoot.c_str())) {
    while (const dirent* e = ::readdir(d)) {
      const auto [f, n] = family(e->d_name);
      if (f < 0) continue;
      if (f == 2 && !hasUart(roots, e->d_name)) continue;
      names.emplace_back(f, n, e->d_name);
    }
    ::closedir(d);
  }
  std::sort(names.begin(), names.end());
  std::vector<SerialDeviceInfo> devices;
  for (const auto& [f, n, name] : names) {
    SerialDeviceInfo info;
    info.path = roots.devRoot + "/" + name;
    info.kernelName = name;
    readSysfs(roots, info);
    devices.push_back(std::move(info));
  }

  const std::string byId = roots.devRoot + "/serial/by-id";
  std::vector<std::string> links;
  if (DIR* d = ::opendir(byId.c_str())) {
    while (const dirent* e = ::readdir(d)) {
      if (e->d_name[0] != '.') links.push_back(byId + "/" + e->d_name);
    }
    ::closedir(d);
  }
  std::sort(links.begin(), links.end());
  for (const std::string& link : links) {
    if (!exists(link)) continue;  // the device it named has gone
    const std::string name = kernelNameOf(roots, link);
    auto it = std::find_if(devices.begin(), devices.end(),
                           [&](const SerialDeviceInfo& d) { return d.kernelName == name; });
    if (it != devices.end()) {
      if (it->stableName.empty()) it->stableName = link;
      continue;
    }
    SerialDeviceInfo info;
    info.path = exists(roots.devRoot + "/" + name) ? roots.devRoot + "/" + name : link;
    info.kernelName = name;
    info.stableName = link;
    readSysfs(roots, info);
    devices.push_back(std::move(info));
  }
  return devices;
}

}  // namespace corvane
