// Low latency for FTDI adapters. The kernel's FTDI driver holds a partial USB packet for its
// latency timer (16 ms unless told otherwise) before it hands short replies on; asking for
// ASYNC_LOW_LATENCY sets that timer to 1 ms.
#pragma once

#include <string>

namespace corvane {

// TIOCGSERIAL, then TIOCSSERIAL with ASYNC_LOW_LATENCY added. 0, or the errno of the call that
// failed (ENOTTY for a pseudo-terminal, EPERM where the driver refuses).
int requestLowLatency(int fd);

// The kernel driver of the character device open on fd ("ftdi_sio"), from
// sysRoot/dev/char/<major>:<minor>/device/driver; empty when sysfs does not tell.
std::string ttyDriverOf(int fd, const std::string& sysRoot = "/sys");

// requestLowLatency() where the driver is ftdi_sio; 0 for every other device.
int requestLowLatencyIfFtdi(int fd, const std::string& sysRoot = "/sys");

}  // namespace corvane
