#include "link/ftdi_low_latency.h"

#include <linux/serial.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

namespace corvane {

int requestLowLatency(int fd) {
  serial_struct serial{};
  if (::ioctl(fd, TIOCGSERIAL, &serial) != 0) return errno;
  if (serial.flags & ASYNC_LOW_LATENCY) return 0;
  serial.flags |= ASYNC_LOW_LATENCY;
  return ::ioctl(fd, TIOCSSERIAL, &serial) == 0 ? 0 : errno;
}

std::string ttyDriverOf(int fd, const std::string& sysRoot) {
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) return {};
  const std::string link = sysRoot + "/dev/char/" + std::to_string(major(st.st_rdev)) + ":" +
                           std::to_string(minor(st.st_rdev)) + "/device/driver";
  char buf[PATH_MAX];
  const ssize_t n = ::readlink(link.c_str(), buf, sizeof buf - 1);
  if (n <= 0) return {};
  const std::string target(buf, std::size_t(n));
  const std::size_t slash = target.find_last_of('/');
  return slash == std::string::npos ? target : target.substr(slash + 1);
}

int requestLowLatencyIfFtdi(int fd, const std::string& sysRoot) {
  return ttyDriverOf(fd, sysRoot) == "ftdi_sio" ? requestLowLatency(fd) : 0;
}

}  // namespace corvane
