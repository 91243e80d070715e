// corvane-cli ports and probe: the serial devices of the machine, and where the instrument answers.
#pragma once

#include <ostream>
#include <string>

#include "cli/commands.h"
#include "link/serial_device_list.h"

namespace corvane::cli {

// Where the commands look: the /dev and /sys roots and the settings file (tests point all three
// into a temporary folder).
struct DeviceContext {
  DeviceRoots roots;
  std::string settingsPath;  // empty: the program's own KV2040.ini
};

// ports [--json]: every serial device with its stable name, driver, USB ids and strings, FTDI
// latency timer, whether this user may open it (or why not), who holds it open, and which of
// COM1..COM4 and USB it stands for in the settings file. Devices that [Devices] names but no scan
// finds (a pseudo-terminal, say) are listed too while they exist. 0, or 2 for bad arguments.
int portsCommand(const Args& args, std::ostream& out, std::ostream& err,
                 const DeviceContext& context = {});

// probe [DEVICE...] [--save]: tries every rate and parity on the devices (default: every listed
// device this user may open and nobody holds) and prints where the instrument answers. --save
// stores the first finding as COM1 with its rate and parity. 0 found, 1 not found (each device's
// reason on err), 2 bad arguments.
int probeCommand(const Args& args, std::ostream& out, std::ostream& err,
                 const DeviceContext& context = {});

}  // namespace corvane::cli
