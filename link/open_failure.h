// Why a serial device could not be opened, in words the operator can act on: the kind of failure,
// the reason, the remedy and, for a device in use, the processes that hold it (from /proc).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace corvane {

// The udev rule Corvane's package installs: it gives the instrument's adapters to the users who
// sit at the machine, so that nobody has to join a group.
inline constexpr const char* kUdevRuleName = "60-corvane-kv2040.rules";

enum class OpenFailureKind : std::uint8_t {
  kNone,          // opened
  kMissing,       // no such device, or nothing answers behind the node
  kNotPermitted,  // this user may not open it
  kInUse,         // another program (or another open in this one) holds it
  kNotSerial,     // a file, directory or device that takes no line settings
  kOther,         // any other error, told by its system message
};

struct DeviceHolder {
  int pid = 0;
  std::string program;  // the process's command name; empty when /proc does not tell
  bool self = false;    // this very process
};

struct OpenFailure {
  OpenFailureKind kind = OpenFailureKind::kNone;
  std::string device;
  int error = 0;  // errno of the failed call
  std::string reason;
  std::string remedy;  // empty where there is nothing to do but choose another device
  std::vector<DeviceHolder> holders;

  bool failed() const { return kind != OpenFailureKind::kNone; }
  // "<reason>. <Remedy>." in one line; empty when nothing failed.
  std::string detail() const;
  // "<device>: " and the detail.
  std::string text() const;
};

// Describes a failed open, lock or first ioctl of `device` with `error` (an errno value; 0 gives
// kNone). Looks at the device node (owner, group, mode, type) and, for a device in use, at
// procRoot/<pid>/fd. Never opens the device.
OpenFailure describeOpenFailure(const std::string& device, int error,
                                const std::string& procRoot = "/proc");

// The processes with a descriptor open on `device` (any node or link of the same device),
// in ascending process id; the caller's own process is marked, not left out. Only the processes
// this user may inspect are seen.
std::vector<DeviceHolder> deviceHolders(const std::string& device,
                                        const std::string& procRoot = "/proc");

// "minicom (process 4711)", joined with ", ".
std::string holdersText(const std::vector<DeviceHolder>& holders);

}  // namespace corvane
