#include "cli/device_commands.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <vector>

#include "cli/real_time_timers.h"
#include "link/open_failure.h"
#include "link/port_devices.h"
#include "protocol/line_probe.h"
#include "storage/program_settings.h"

namespace corvane::cli {

namespace {

constexpr const char* kPortsUsage = "usage: corvane-cli ports [--json]\n";
constexpr const char* kProbeUsage = "usage: corvane-cli probe [DEVICE...] [--save]\n";
// Beyond the probe's own longest run: opening the devices and the last answer's way in.
constexpr int kProbeSlackMs = 2000;

struct DeviceEntry {
  SerialDeviceInfo info;
  std::vector<std::string> portNames;  // "COM2", "USB"
  OpenFailure access;                  // why this user may not open it; kind kNone: may
  std::vector<DeviceHolder> holders;
};

std::string settingsPathOf(const DeviceContext& c) {
  return c.settingsPath.empty() ? settingsFilePath() : c.settingsPath;
}

bool namesDevice(const std::string& configured, const SerialDeviceInfo& d) {
  return sameDevice(configured, d.path) || sameDevice(configured, d.stableName);
}

bool exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

// The device USB stands for: the configured one, else the first FTDI port.
std::string usbDeviceOf(const ProgramSettings& s, const DeviceRoots& roots) {
  if (!s.usbDevice.empty()) return s.usbDevice;
  std::vector<std::string> ftdi = listFtdiDevices(roots);
  return ftdi.empty() ? std::string() : ftdi.front();
}

std::vector<DeviceEntry> collectDevices(const DeviceContext& c) {
  const ProgramSettings s = loadProgramSettings(settingsPathOf(c));
  std::vector<SerialDeviceInfo> found = listSerialDevices(c.roots);
  // What [Devices] names explicitly and the scan missed, while it is there.
  std::vector<std::string> configured;
  for (int p = 1; p <= PortDevices::kPortCount; ++p) {
    if (s.comPorts.path(p) != PortDevices::defaultPath(p)) configured.push_back(s.comPorts.path(p));
  }
  if (!s.usbDevice.empty()) configured.push_back(s.usbDevice);
  for (const std::string& path : configured) {
    const bool listed = std::any_of(found.begin(), found.end(), [&](const SerialDeviceInfo& d) {
      return namesDevice(path, d);
    });
    if (!listed && exists(path)) found.push_back(describeSerialDevice(path, c.roots));
  }

  const std::string usb = usbDeviceOf(s, c.roots);
  std::vector<DeviceEntry> entries;
  for (SerialDeviceInfo& info : found) {
    DeviceEntry e;
    for (int p = 1; p <= PortDevices::kPortCount; ++p) {
      if (namesDevice(s.comPorts.path(p), info)) e.portNames.push_back(PortDevices::portName(p));
    }
    if (namesDevice(usb, info)) e.portNames.push_back("USB");
    if (::access(info.path.c_str(), R_OK | W_OK) != 0) {
      e.access = describeOpenFailure(info.path, errno);
    }
    e.holders = deviceHolders(info.path);
    e.info = std::move(info);
    entries.push_back(std::move(e));
  }
  return entries;
}

std::string json(const std::string& s) {
  std::string o = "\"";
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      o += '\\';
      o += char(c);
    } else if (c < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      o += buf;
    } else {
      o += char(c);
    }
  }
  return o + "\"";
}

std::string jsonOrNull(const std::string& s) {
  return s.empty() ? "null" : json(s);
}

void printJson(std::ostream& out, const std::vector<DeviceEntry>& entries) {
  out << "[";
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const DeviceEntry& e = entries[i];
    const SerialDeviceInfo& d = e.info;
    out << (i ? ",\n " : "\n ") << "{\"path\": " << json(d.path)
        << ", \"stable_name\": " << jsonOrNull(d.stableName)
        << ", \"driver\": " << jsonOrNull(d.driver) << ", \"vendor_id\": " << jsonOrNull(d.vendorId)
        << ", \"product_id\": " << jsonOrNull(d.productId)
        << ", \"serial_number\": " << jsonOrNull(d.serialNumber)
        << ", \"manufacturer\": " << jsonOrNull(d.manufacturer)
        << ", \"product\": " << jsonOrNull(d.product) << ", \"latency_timer_ms\": "
        << (d.latencyTimerMs ? std::to_string(*d.latencyTimerMs) : "null")
        << ", \"may_open\": " << (e.access.failed() ? "false" : "true")
        << ", \"why_not\": " << jsonOrNull(e.access.detail()) << ", \"held_by\": [";
    for (std::size_t h = 0; h < e.holders.size(); ++h) {
      out << (h ? ", " : "") << "{\"pid\": " << e.holders[h].pid
          << ", \"program\": " << json(e.holders[h].program) << "}";
    }
    out << "], \"ports\": [";
    for (std::size_t p = 0; p < e.portNames.size(); ++p) {
      out << (p ? ", " : "") << json(e.portNames[p]);
    }
    out << "]}";
  }
  out << (entries.empty() ? "]\n" : "\n]\n");
}

void printText(std::ostream& out, const std::vector<DeviceEntry>& entries) {
  if (entries.empty()) out << "no serial device found\n";
  for (const DeviceEntry& e : entries) {
    const SerialDeviceInfo& d = e.info;
    out << d.path;
    if (!e.portNames.empty()) {
      out << "  (";
      for (std::size_t p = 0; p < e.portNames.size(); ++p) out << (p ? ", " : "") << e.portNames[p];
      out << ")";
    }
    out << "\n";
    if (!d.stableName.empty()) out << "  stable name:   " << d.stableName << "\n";
    if (!d.driver.empty()) out << "  driver:        " << d.driver << "\n";
    if (const std::string desc = d.description(); !desc.empty() && d.usb()) {
      out << "  device:        " << desc << "\n";
    }
    if (d.latencyTimerMs) out << "  latency timer: " << *d.latencyTimerMs << " ms\n";
    out << "  may open:      " << (e.access.failed() ? "no: " + e.access.detail() : "yes") << "\n";
    if (!e.holders.empty()) out << "  held by:       " << holdersText(e.holders) << "\n";
  }
}

// The name to store for a device: its stable name where the scan knows one.
std::string storedName(const std::string& device, const DeviceRoots& roots) {
  for (const SerialDeviceInfo& d : listSerialDevices(roots)) {
    if (namesDevice(device, d)) return d.preferredName();
  }
  return device;
}

bool heldByOthers(const std::string& device) {
  for (const DeviceHolder& h : deviceHolders(device)) {
    if (!h.self) return true;
  }
  return false;
}

}  // namespace

int portsCommand(const Args& args, std::ostream& out, std::ostream& err,
                 const DeviceContext& context) {
  bool asJson = false;
  for (const std::string& a : args) {
    if (a != "--json") {
      err << kPortsUsage;
      return 2;
    }
    asJson = true;
  }
  const std::vector<DeviceEntry> entries = collectDevices(context);
  if (asJson) {
    printJson(out, entries);
  } else {
    printText(out, entries);
  }
  return 0;
}

int probeCommand(const Args& args, std::ostream& out, std::ostream& err,
                 const DeviceContext& context) {
  bool save = false;
  std::vector<std::string> devices;
  for (const std::string& a : args) {
    if (a == "--save") {
      save = true;
    } else if (a.empty() || a.rfind("--", 0) == 0) {
      err << kProbeUsage;
      return 2;
    } else {
      devices.push_back(a);
    }
  }
  const std::string settingsPath = settingsPathOf(context);
  const ProgramSettings stored = loadProgramSettings(settingsPath);
  if (devices.empty()) {
    for (const SerialDeviceInfo& d : listSerialDevices(context.roots)) {
      if (::access(d.path.c_str(), R_OK | W_OK) == 0 && !heldByOthers(d.path)) {
        devices.push_back(d.path);
      }
    }
    if (devices.empty()) {
      err << "corvane-cli: no serial device that this user may open and nobody holds\n";
      return 1;
    }
  }

  PortSettings first;
  first.baudIndex = stored.baud;
  first.parityIndex = stored.parity;
  RealTimeTimerService timers;
  LineProbe probe(timers, devices, first);
  probe.start();
  timers.runUntil([&] { return probe.finished(); },
                  std::chrono::milliseconds(LineProbe::longestRunMs() + kProbeSlackMs));

  const ProbeResult* winner = nullptr;
  for (const ProbeResult& r : probe.results()) {
    if (r.found) {
      out << "KV2040 on " << r.device << " at " << LineProbe::settingsText(*r.found) << "\n";
      if (winner == nullptr) winner = &r;
    } else if (r.failure.failed()) {
      err << "corvane-cli: " << r.failure.text() << "\n";
    } else {
      err << "corvane-cli: no answer on " << r.device << " at any rate and parity\n";
    }
  }
  if (winner == nullptr) return 1;
  if (save) {
    const std::string name = storedName(winner->device, context.roots);
    const PortSettings found = *winner->found;
    FileStatus s = updateSettingsFile(settingsPath, [&](IniFile& ini) {
      const auto& k = kProgramSettingsKeys;
      ini.set(k[0].section, k[0].key, "0");
      ini.set(k[1].section, k[1].key, std::to_string(found.baudIndex));
      ini.set(k[2].section, k[2].key, std::to_string(found.parityIndex));
      ini.set("Devices", PortDevices::portName(1), name);
    });
    if (!s) {
      err << "corvane-cli: " << s.message << "\n";
      return 1;
    }
    out << "saved COM1 = " << name << " to " << settingsPath << "\n";
  }
  return 0;
}

}  // namespace corvane::cli
