// The program-wide settings kept in KV2040.ini: the serial line, the seven colour slots, the
// stored delay level and the two print options, plus the "Devices" section that says which device
// stands behind each port name.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "link/port_devices.h"
#include "link/serial_device_list.h"
#include "storage/data_file.h"
#include "storage/ini_file.h"

namespace corvane {

inline constexpr std::string_view kSettingsFileName = "KV2040.ini";

// Index into ProgramSettings::colors, in the order the file lists them.
enum ColorSlot : std::size_t {
  kCh1ColorSlot,
  kCh2ColorSlot,
  kMergeColorSlot,
  kCursorColorSlot,
  kRecallColorSlot,
  kGridColorSlot,
  kGoNoGoColorSlot,
  kColorSlotCount
};

struct ProgramSettings {
  uint8_t port = 0;      // 0..3: COM1..COM4
  uint8_t baud = 2;      // 0..5: 1200 .. 38400 bit/s
  uint8_t parity = 1;    // 0 none, 1 even, 2 odd
  uint8_t stopBits = 0;  // stored and written back only
  // 0x00BBGGRR, written back unchanged.
  std::array<uint32_t, kColorSlotCount> colors = {0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF,
                                                  0xFFFFFF, 0x777777, 0x777777};
  int32_t delayLevel = 500;
  bool waveFormPrint = true;
  bool notesPrint = true;
  // The scope windows' display size, 1..3 screen pixels per bitmap pixel.
  int displayScale = 1;

  // "Devices": "COM1".."COM4" (default /dev/ttyS0..3; a bare name such as "ttyUSB0" is taken
  // from /dev) and "USB" (empty: the first FTDI device the kernel offers). Not among the fourteen
  // keys: written only when the operator chooses a device (saveDeviceSettings).
  PortDevices comPorts;
  std::string usbDevice;

  bool operator==(const ProgramSettings& o) const;
};

struct IniKeyName {
  std::string_view section;
  std::string_view key;
};

// The fourteen keys, in the order they are written: port, baud, parity, stop bits, the seven
// colours, the delay level, then the two print options.
inline constexpr std::array<IniKeyName, 14> kProgramSettingsKeys = {{
    {"COMM Set", "Port"},
    {"COMM Set", "Baud rates"},
    {"COMM Set", "Parity Bits"},
    {"COMM Set", "Stop Bits"},
    {"Color Setup", "Ch1 Color"},
    {"Color Setup", "Ch2 Color"},
    {"Color Setup", "Merge Color"},
    {"Color Setup", "Cursor Color"},
    {"Color Setup", "Recall Color"},
    {"Color Setup", "Grid Color"},
    {"Color Setup", "GoNoGo Color"},
    {"Delay", "Level"},
    {"Printer Information", "Wave Form"},
    {"Printer Information", "Corvane notes"},
}};

// The display size, beside the fourteen: written only once it differs from 1 or the file has it,
// so a file that never had it stays as it was. A value other than 1, 2 or 3 reads as 1.
inline constexpr IniKeyName kDisplayScaleKey = {"Display", "Scale"};

// An INI value as an integer: optional sign, then decimal digits or "0x"/"0X" and hexadecimal
// digits, blanks around allowed. Anything else, or a magnitude beyond 64 bits, is not an integer.
// The result is the value modulo 2^64; callers keep its low bits.
std::optional<uint64_t> parseIniInteger(std::string_view text);

// The settings a document holds (defaults for what it lacks), and the fourteen keys set into it.
ProgramSettings readProgramSettings(const IniFile& ini);
void writeProgramSettings(IniFile& ini, const ProgramSettings& settings);

// Never fails: a missing, unreadable or oversized file, a directory, or a value that is not an
// integer gives the default of what could not be read.
ProgramSettings loadProgramSettings(const std::string& path);

// Writes the fourteen keys (decimal; Booleans as 1 or 0) into the existing file, keeping every
// other line as it was, or into a new file (its directory created when missing). Writes beside the
// file and renames, so a failure leaves the previous file intact; a file that exists but cannot
// be read is left alone and reported, as rewriting it would drop its other contents. A symbolic
// link is written through to its target.
FileStatus saveProgramSettings(const std::string& path, const ProgramSettings& settings);

// Sets the "Devices" keys whose device differs from what the document says, so a hand-written
// value naming the same device ("ttyUSB0") and a file without the section stay as they are. A
// port back on its default device is written as that device; the USB bridge's automatic choice
// as an empty value.
void writeDeviceSettings(IniFile& ini, const ProgramSettings& settings);
// writeDeviceSettings into the file, as updateSettingsFile writes.
FileStatus saveDeviceSettings(const std::string& path, const ProgramSettings& settings);

// The name to store for a device: the stable /dev/serial/by-id name of the device in `present`
// that `path` names (by path or through links), else `path` as it is.
std::string storedDeviceName(const std::string& path, const std::vector<SerialDeviceInfo>& present);

// Applies `change` to the settings file's document and writes it back the same way (every other
// line kept, written beside and renamed, through a symbolic link, a new file where there is none).
FileStatus updateSettingsFile(const std::string& path, const std::function<void(IniFile&)>& change);

// $XDG_CONFIG_HOME/corvane when that is set to an absolute path, else $HOME/.config/corvane
// (the home directory from the password database when HOME is unset or not absolute, the current
// directory as the last resort).
std::string settingsDirectory();
// settingsDirectory() + "/KV2040.ini".
std::string settingsFilePath();

}  // namespace corvane
