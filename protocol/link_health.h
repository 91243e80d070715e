// How the link in use is doing, for the main window's status bar and its tooltip: which link and
// device, open or absent, how long ago the instrument last replied, and what went wrong since
// start (reply time-outs, bytes that were discarded or belonged to malformed frames).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace corvane {

struct LinkHealth {
  bool usb = false;    // the USB bridge; otherwise the serial port
  std::string port;    // "COM1" .. "COM4", or "USB"
  std::string device;  // its device file; empty when none is known
  bool open = false;
  std::optional<double> lastReplyAgeS;  // none: closed, or no reply since start
  uint64_t timeouts = 0;
  uint64_t discardedBytes = 0;

  bool operator==(const LinkHealth&) const = default;
};

// The age in words a person reads at a glance: "0.2 s", "14 s", "3 min".
std::string replyAgeText(double seconds);

// The status bar's short form: "ttyUSB0 open · 0.2 s · 1 time-out · 12 B discarded".
std::string linkHealthSummary(const LinkHealth& health);

// The same in a sentence, for the tooltip and the accessible description: "Serial link
// /dev/ttyUSB0 open, last reply 0.2 s ago, 1 time-out, 12 bytes discarded".
std::string linkHealthWords(const LinkHealth& health);

}  // namespace corvane
