#include "link/ftdi_device_list.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>
#include <utility>

namespace corvane {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kPortPrefix = "ttyUSB";
// A usb-serial port sits four or five levels below its usb_device; 16 is far beyond any tree.
constexpr int kMaxWalkDepth = 16;

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

std::string readTrimmedLower(const fs::path& file) {
  std::ifstream in(file);
  std::string text;
  if (!in || !std::getline(in, text)) return {};
  auto notSpace = [](unsigned char c) { return !std::isspace(c); };
  text.erase(text.begin(), std::find_if(text.begin(), text.end(), notSpace));
  text.erase(std::find_if(text.rbegin(), text.rend(), notSpace).base(), text.end());
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool isWithin(const fs::path& p, const fs::path& root) {
  auto rel = p.lexically_relative(root);
  return !rel.empty() && *rel.begin() != "..";
}

}  // namespace

std::string usbVendorOfTty(const FtdiDeviceRoots& roots, const std::string& ttyName) {
  std::error_code ec;
  const fs::path sysRoot = fs::canonical(roots.sysRoot, ec);
  if (ec) return {};
  fs::path p = fs::canonical(fs::path(roots.sysRoot) / "class" / "tty" / ttyName / "device", ec);
  if (ec) return {};
  for (int depth = 0; depth < kMaxWalkDepth && isWithin(p, sysRoot); ++depth) {
    const fs::path vendorFile = p / "idVendor";
    if (fs::is_regular_file(vendorFile, ec)) return readTrimmedLower(vendorFile);
    if (!p.has_parent_path() || p.parent_path() == p) break;
    p = p.parent_path();
  }
  return {};
}

std::vector<std::string> listFtdiDevices(const FtdiDeviceRoots& roots) {
  std::vector<std::pair<long, std::string>> ports;
  std::error_code ec;
  fs::directory_iterator it(fs::path(roots.sysRoot) / "class" / "tty", ec);
  for (const fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
    std::string name = it->path().filename().string();
    long n = portNumber(name);
    if (n >= 0) ports.emplace_back(n, std::move(name));
  }
  std::sort(ports.begin(), ports.end());
  std::vector<std::string> devices;
  for (const auto& [n, name] : ports) {
    if (usbVendorOfTty(roots, name) == kFtdiVendorId) {
      devices.push_back((fs::path(roots.devRoot) / name).string());
    }
  }
  return devices;
}

}  // namespace corvane
