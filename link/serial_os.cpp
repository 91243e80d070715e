#include "link/serial_os.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

#include "link/ftdi_low_latency.h"

namespace corvane {

namespace {

// The kernel's termios2, which carries a free bit rate; <asm/termbits.h> cannot be included beside
// <termios.h>, so the layout is restated here.
struct KernelTermios2 {
  tcflag_t c_iflag;
  tcflag_t c_oflag;
  tcflag_t c_cflag;
  tcflag_t c_lflag;
  cc_t c_line;
  cc_t c_cc[19];
  speed_t c_ispeed;
  speed_t c_ospeed;
};
static_assert(sizeof(KernelTermios2) == 44, "termios2 layout");

constexpr unsigned long kGetTermios2 = _IOR('T', 0x2A, KernelTermios2);
constexpr unsigned long kSetTermios2 = _IOW('T', 0x2B, KernelTermios2);
constexpr tcflag_t kRateFromSpeedFields = 0010000;  // BOTHER

int failure() {
  return -errno;
}

// Unix 98 pseudo-terminal slaves have majors 136 to 143.
bool isPseudoTerminal(int fd) {
  struct stat st {};
  return ::fstat(fd, &st) == 0 && S_ISCHR(st.st_mode) && major(st.st_rdev) >= 136 &&
         major(st.st_rdev) <= 143;
}

}  // namespace

PosixSerialOs& PosixSerialOs::instance() {
  static PosixSerialOs os;
  return os;
}

int PosixSerialOs::openDevice(const std::string& path) {
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  return fd < 0 ? failure() : fd;
}

void PosixSerialOs::closeDevice(int fd) {
  // The exclusive flag outlives this descriptor when another one is open on the same tty.
  ::ioctl(fd, TIOCNXCL);
  ::close(fd);
}

int PosixSerialOs::lockExclusive(int fd) {
  // TIOCEXCL alone does not stop root, so the flock is what refuses a second open.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) return failure();
  ::ioctl(fd, TIOCEXCL);
  // Now that the device is ours; a driver that refuses only costs replies their latency.
  requestLowLatencyIfFtdi(fd);
  return 0;
}

int PosixSerialOs::getAttributes(int fd, termios* attributes) {
  return ::tcgetattr(fd, attributes) == 0 ? 0 : failure();
}

int PosixSerialOs::setAttributes(int fd, const termios& requested) {
  termios attributes = requested;
  // A pseudo-terminal forgets PARENB, so its far end (the simulator) could not tell even parity
  // from none; INPCK, which a pseudo-terminal never acts on, keeps the choice visible there.
  if ((attributes.c_cflag & PARENB) && isPseudoTerminal(fd)) attributes.c_iflag |= INPCK;
  if (::tcsetattr(fd, TCSANOW, &attributes) == 0) return 0;
  int err = errno;
  // The C library answers EINVAL when the parity bits did not stick, although everything else
  // was applied. A pseudo-terminal (the simulator's line) always carries 8 bits without parity:
  // accept that, but nothing else that differs.
  termios now{};
  if (err != EINVAL || ::tcgetattr(fd, &now) != 0) return -err;
  const tcflag_t parity = PARENB | PARODD | CMSPAR | CSIZE;
  bool onlyParity = (now.c_cflag & ~parity) == (attributes.c_cflag & ~parity) &&
                    now.c_iflag == attributes.c_iflag && now.c_oflag == attributes.c_oflag &&
                    now.c_lflag == attributes.c_lflag;
  return onlyParity ? 0 : -err;
}

int PosixSerialOs::setCustomRate(int fd, std::uint32_t bitsPerSecond) {
  KernelTermios2 t{};
  if (::ioctl(fd, kGetTermios2, &t) != 0) return failure();
  t.c_cflag &= ~static_cast<tcflag_t>(CBAUD);
  t.c_cflag |= kRateFromSpeedFields;
  t.c_ispeed = bitsPerSecond;
  t.c_ospeed = bitsPerSecond;
  return ::ioctl(fd, kSetTermios2, &t) == 0 ? 0 : failure();
}

int PosixSerialOs::setModemLines(int fd, int lines) {
  return ::ioctl(fd, TIOCMBIS, &lines) == 0 ? 0 : failure();
}

int PosixSerialOs::clearModemLines(int fd, int lines) {
  return ::ioctl(fd, TIOCMBIC, &lines) == 0 ? 0 : failure();
}

int PosixSerialOs::flush(int fd, int queueSelector) {
  return ::tcflush(fd, queueSelector) == 0 ? 0 : failure();
}

long PosixSerialOs::readSome(int fd, void* buffer, std::size_t size) {
  ssize_t n;
  do {
    n = ::read(fd, buffer, size);
  } while (n < 0 && errno == EINTR);
  return n < 0 ? failure() : static_cast<long>(n);
}

long PosixSerialOs::writeSome(int fd, const void* data, std::size_t size) {
  ssize_t n;
  do {
    n = ::write(fd, data, size);
  } while (n < 0 && errno == EINTR);
  return n < 0 ? failure() : static_cast<long>(n);
}

int PosixSerialOs::outputQueued(int fd) {
  int queued = 0;
  return ::ioctl(fd, TIOCOUTQ, &queued) == 0 ? queued : failure();
}

void PosixSerialOs::waitWritable(int fd, int ms) {
  pollfd p{fd, POLLOUT, 0};
  ::poll(&p, 1, ms);
}

void PosixSerialOs::pause(int ms) {
  ::poll(nullptr, 0, ms);
}

std::int64_t PosixSerialOs::monotonicMs() {
  timespec ts{};
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

}  // namespace corvane
