#include "storage/program_settings.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <type_traits>
#include <vector>

namespace corvane {
namespace {

// Far beyond any real settings file; a larger one is treated as unreadable rather than loaded.
constexpr std::size_t kMaxSettingsFileSize = std::size_t{16} << 20;

constexpr std::string_view kDevicesSection = "Devices";

// The whole settings file into `out`; 0 or the errno. A file beyond the size limit counts as
// unreadable.
int readSettingsText(const std::string& path, std::string& out) {
  const FileStatus read = readWhole(path, out, kMaxSettingsFileSize);
  if (!read) return read.error;
  return out.size() > kMaxSettingsFileSize ? EFBIG : 0;
}

std::string joinPath(const std::string& dir, std::string_view name) {
  return dir + (dir.back() == '/' ? "" : "/") + std::string(name);
}

template <typename T>
T integerOr(const IniFile& ini, const IniKeyName& name, T fallback) {
  std::optional<std::string> text = ini.value(name.section, name.key);
  if (!text) return fallback;
  std::optional<uint64_t> n = parseIniInteger(*text);
  if (!n) return fallback;
  if constexpr (std::is_same_v<T, bool>) {
    return *n != 0;
  } else {
    return static_cast<T>(*n);  // the low bits
  }
}

std::string devicePath(std::string path) {
  if (!path.empty() && path.find('/') == std::string::npos) return "/dev/" + path;
  return path;
}

}  // namespace

bool ProgramSettings::operator==(const ProgramSettings& o) const {
  for (int p = 1; p <= PortDevices::kPortCount; ++p) {
    if (comPorts.path(p) != o.comPorts.path(p)) return false;
  }
  return port == o.port && baud == o.baud && parity == o.parity && stopBits == o.stopBits &&
         colors == o.colors && delayLevel == o.delayLevel && waveFormPrint == o.waveFormPrint &&
         notesPrint == o.notesPrint && displayScale == o.displayScale && usbDevice == o.usbDevice;
}

std::optional<uint64_t> parseIniInteger(std::string_view text) {
  constexpr std::string_view kBlank = " \t\r";
  std::size_t b = text.find_first_not_of(kBlank);
  if (b == std::string_view::npos) return std::nullopt;
  text = text.substr(b, text.find_last_not_of(kBlank) - b + 1);
  bool negative = false;
  if (text.front() == '+' || text.front() == '-') {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  unsigned base = 10;
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return std::nullopt;
  uint64_t n = 0;
  for (char c : text) {
    unsigned d;
    if (c >= '0' && c <= '9') {
      d = unsigned(c - '0');
    } else if (base == 16 && c >= 'a' && c <= 'f') {
      d = unsigned(c - 'a' + 10);
    } else if (base == 16 && c >= 'A' && c <= 'F') {
      d = unsigned(c - 'A' + 10);
    } else {
      return std::nullopt;
    }
    if (n > (UINT64_MAX - d) / base) return std::nullopt;
    n = n * base + d;
  }
  return negative ? uint64_t{0} - n : n;
}

ProgramSettings readProgramSettings(const IniFile& ini) {
  ProgramSettings s;
  const auto& k = kProgramSettingsKeys;
  s.port = integerOr(ini, k[0], s.port);
  s.baud = integerOr(ini, k[1], s.baud);
  s.parity = integerOr(ini, k[2], s.parity);
  s.stopBits = integerOr(ini, k[3], s.stopBits);
  for (std::size_t i = 0; i < kColorSlotCount; ++i) {
    s.colors[i] = integerOr(ini, k[4 + i], s.colors[i]);
  }
  s.waveFormPrint = integerOr(ini, k[12], s.waveFormPrint);
  s.notesPrint = integerOr(ini, k[13], s.notesPrint);
  s.delayLevel = integerOr(ini, k[11], s.delayLevel);
  const uint64_t scale = integerOr<uint64_t>(ini, kDisplayScaleKey, 1);
  s.displayScale = scale >= 1 && scale <= 3 ? int(scale) : 1;

  for (int p = 1; p <= PortDevices::kPortCount; ++p) {
    // A value PortDevices refuses (a NUL byte) leaves the default.
    if (auto v = ini.value(kDevicesSection, PortDevices::portName(p))) s.comPorts.set(p, *v);
  }
  if (auto v = ini.value(kDevicesSection, "USB"); v && v->find('\0') == std::string::npos) {
    s.usbDevice = devicePath(*v);
  }
  return s;
}

void writeProgramSettings(IniFile& ini, const ProgramSettings& s) {
  std::array<std::string, kProgramSettingsKeys.size()> values;
  values[0] = std::to_string(s.port);
  values[1] = std::to_string(s.baud);
  values[2] = std::to_string(s.parity);
  values[3] = std::to_string(s.stopBits);
  for (std::size_t i = 0; i < kColorSlotCount; ++i) values[4 + i] = std::to_string(s.colors[i]);
  values[11] = std::to_string(s.delayLevel);
  values[12] = s.waveFormPrint ? "1" : "0";
  values[13] = s.notesPrint ? "1" : "0";
  for (std::size_t i = 0; i < values.size(); ++i) {
    ini.set(kProgramSettingsKeys[i].section, kProgramSettingsKeys[i].key, values[i]);
  }
  if (s.displayScale != 1 || ini.value(kDisplayScaleKey.section, kDisplayScaleKey.key)) {
    ini.set(kDisplayScaleKey.section, kDisplayScaleKey.key, std::to_string(s.displayScale));
  }
}

ProgramSettings loadProgramSettings(const std::string& path) {
  std::string text;
  if (readSettingsText(path, text) != 0) return ProgramSettings{};
  return readProgramSettings(IniFile(text));
}

FileStatus saveProgramSettings(const std::string& path, const ProgramSettings& settings) {
  return updateSettingsFile(path, [&](IniFile& ini) { writeProgramSettings(ini, settings); });
}

void writeDeviceSettings(IniFile& ini, const ProgramSettings& s) {
  const ProgramSettings stored = readProgramSettings(ini);
  for (int p = 1; p <= PortDevices::kPortCount; ++p) {
    if (stored.comPorts.path(p) != s.comPorts.path(p)) {
      ini.set(kDevicesSection, PortDevices::portName(p), s.comPorts.path(p));
    }
  }
  if (stored.usbDevice != s.usbDevice) ini.set(kDevicesSection, "USB", s.usbDevice);
}

FileStatus saveDeviceSettings(const std::string& path, const ProgramSettings& settings) {
  return updateSettingsFile(path, [&](IniFile& ini) { writeDeviceSettings(ini, settings); });
}

std::string storedDeviceName(const std::string& path,
                             const std::vector<SerialDeviceInfo>& present) {
  for (const SerialDeviceInfo& d : present) {
    if (sameDevice(path, d.path) || sameDevice(path, d.stableName)) return d.preferredName();
  }
  return path;
}

FileStatus updateSettingsFile(const std::string& path,
                              const std::function<void(IniFile&)>& change) {
  namespace fs = std::filesystem;
  std::string target = path;
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    if (char* real = ::realpath(path.c_str(), nullptr)) {
      target = real;
      std::free(real);
    }
  }
  std::string text;
  if (int err = readSettingsText(target, text); err != 0) {
    if (err != ENOENT) return fileError(target, err);
    text.clear();
  }
  fs::path dir = fs::path(target).parent_path();
  if (!dir.empty()) {
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) return fileError(dir.string(), ec.value());
  }
  IniFile ini(text);
  change(ini);
  return writeFileReplacing(target, ini.text());
}

namespace {

bool absolute(const char* p) {
  return p != nullptr && p[0] == '/';
}

}  // namespace

std::string settingsDirectory() {
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); absolute(xdg)) {
    return joinPath(xdg, "corvane");
  }
  std::string home;
  if (const char* h = std::getenv("HOME"); absolute(h)) {
    home = h;
  } else {
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buf(size > 0 ? std::size_t(size) : 16384);
    struct passwd pw {};
    struct passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &pw, buf.data(), buf.size(), &found) == 0 && found &&
        absolute(found->pw_dir)) {
      home = found->pw_dir;
    }
  }
  if (home.empty()) return ".config/corvane";
  return joinPath(home, ".config/corvane");
}

std::string settingsFilePath() {
  return joinPath(settingsDirectory(), kSettingsFileName);
}

}  // namespace corvane
