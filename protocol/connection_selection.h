// The operator's choice of link and serial line: the stored port settings, applyPortSettings that
// turns them into an open serial port, and the two check marks of "Set Connection".
#pragma once

#include <cstdint>

#include "link/comm_port_driver.h"
#include "protocol/protocol_host.h"

namespace corvane {

class WaveformBlock;

inline constexpr const char* kComPortSettingErrorText = "COM port setting error !";

// Four bytes kept in the settings file; the port dialog stores the positions it shows.
struct PortSettings {
  uint8_t portIndex = 0;      // 0..3: COM1..COM4
  uint8_t baudIndex = 2;      // 0..5: 1200, 2400, 4800, 9600, 19200, 38400 bit/s
  uint8_t parityIndex = 1;    // 0..2: none, even, odd
  uint8_t stopBitsIndex = 0;  // always 0; the port is opened with one stop bit whatever it holds

  bool operator==(const PortSettings&) const = default;
};

// Disconnects the port, sets port, rate and parity from the indices (an index outside its table
// leaves that property as it was), one stop bit, 8 data bits, no handshaking, DTR left low on open,
// and connects. On failure shows "COM port setting error !" with the device and the reason as its
// detail and returns false; the port stays closed.
bool applyPortSettings(CommPortDriver& port, const PortSettings& settings, ProtocolHost& host);

// The "Set Connection" submenu: exactly one of "USB" and "Comm" is checked; "USB" is disabled for
// the whole run when no USB device could be opened at start-up.
struct LinkChoice {
  bool usbChosen = false;    // "USB" checked
  bool serialChosen = true;  // "Comm" checked
  bool usbAvailable = true;  // "USB" enabled
};

// The link chosen at the main window's first show: USB when it is available and a restored record
// (null when none was restored) says LinkUsb 1; otherwise the serial link.
bool usbChosenAtFirstShow(const LinkChoice& choice, const WaveformBlock* restored);

}  // namespace corvane
