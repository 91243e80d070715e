#include "link/ftdi_sio_backend.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <filesystem>
#include <utility>
#include <vector>

#include "link/ftdi_low_latency.h"

namespace corvane {

namespace {

struct BaudEntry {
  uint32_t rate;
  speed_t code;
};

constexpr BaudEntry kBaudTable[] = {
    {300, B300},         {600, B600},         {1200, B1200},       {2400, B2400},
    {4800, B4800},       {9600, B9600},       {19200, B19200},     {38400, B38400},
    {57600, B57600},     {115200, B115200},   {230400, B230400},   {460800, B460800},
    {500000, B500000},   {576000, B576000},   {921600, B921600},   {1000000, B1000000},
    {1152000, B1152000}, {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000},
    {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
};

int toPollTimeout(uint32_t ms) {
  return ms > static_cast<uint32_t>(INT_MAX) ? INT_MAX : int(ms);
}

bool revealsLoss(short revents) {
  return (revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

FtStatus openFailure(int err) {
  switch (err) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case ENOTDIR:
      return FT_DEVICE_NOT_FOUND;
    case EMFILE:
    case ENFILE:
    case ENOMEM:
      return FT_INSUFFICIENT_RESOURCES;
    default:  // busy, no permission, and the like
      return FT_DEVICE_NOT_OPENED;
  }
}

// Applies `change` to the line settings of `fd`.
template <typename Change>
FtStatus changeTermios(int fd, Change change) {
  termios tio{};
  if (tcgetattr(fd, &tio) != 0) return FT_IO_ERROR;
  change(tio);
  return tcsetattr(fd, TCSANOW, &tio) == 0 ? FT_OK : FT_IO_ERROR;
}

// The exclusive mode belongs to the tty, not to the descriptor: on a line whose other end stays
// open it would outlive the close and refuse the next non-root open.
void releaseDevice(int fd) {
  ::ioctl(fd, TIOCNXCL);
  ::close(fd);
}

}  // namespace

FtdiSioBackend::FtdiSioBackend(FtdiSioConfig config) : config_(std::move(config)) {}

FtdiSioBackend::~FtdiSioBackend() {
  for (auto& [handle, d] : devices_) releaseDevice(d.fd);
}

std::string FtdiSioBackend::devicePath(int32_t index) const {
  if (index < 0) return {};
  if (!config_.devicePath.empty()) return index == 0 ? config_.devicePath : std::string();
  std::vector<std::string> devices = listFtdiDevices(config_.roots);
  return static_cast<size_t>(index) < devices.size() ? devices[size_t(index)] : std::string();
}

int FtdiSioBackend::readinessFd(FtHandle handle) {
  const Device* d = find(handle);
  return d == nullptr ? -1 : d->fd;
}

std::vector<std::string> FtdiSioBackend::arrivalFolders(int32_t index) const {
  std::vector<std::string> folders;
  auto add = [&folders](const std::filesystem::path& folder) {
    std::error_code ec;
    if (folder.empty() || !std::filesystem::is_directory(folder, ec)) return;
    const std::string f = folder.lexically_normal().string();
    if (std::find(folders.begin(), folders.end(), f) == folders.end()) folders.push_back(f);
  };
  if (index != 0 && !config_.devicePath.empty()) return folders;
  if (!config_.devicePath.empty()) {
    const std::filesystem::path path(config_.devicePath);
    add(path.parent_path());
    std::error_code ec;
    if (std::filesystem::is_symlink(path, ec)) {
      std::filesystem::path target = std::filesystem::read_symlink(path, ec);
      if (!ec) add((target.is_absolute() ? target : path.parent_path() / target).parent_path());
    }
  } else {
    add(config_.roots.devRoot);
  }
  add("/dev/serial/by-id");
  return folders;
}

FtdiSioBackend::Device* FtdiSioBackend::find(FtHandle handle) {
  auto it = devices_.find(handle);
  return it == devices_.end() ? nullptr : &it->second;
}

FtStatus FtdiSioBackend::lose(Device& d) {
  d.lost = true;
  return FT_IO_ERROR;
}

bool FtdiSioBackend::stillThere(Device& d) {
  if (d.lost) return false;
  struct stat st {};
  if (::stat(d.path.c_str(), &st) != 0 || !S_ISCHR(st.st_mode) || st.st_rdev != d.rdev) {
    d.lost = true;
    return false;
  }
  pollfd p{d.fd, POLLIN, 0};
  if (::poll(&p, 1, 0) < 0 && errno != EINTR) {
    d.lost = true;
  } else if (revealsLoss(p.revents)) {
    d.lost = true;
  }
  return !d.lost;
}

FtStatus FtdiSioBackend::open(int32_t index, FtHandle& handle) {
  const std::string path = devicePath(index);
  lastOpenPath_ = path;
  lastOpenError_ = ENODEV;
  if (path.empty()) return FT_DEVICE_NOT_FOUND;
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    lastOpenError_ = errno;
    return openFailure(errno);
  }
  auto fail = [this, fd](FtStatus status, int err) {
    lastOpenError_ = err;
    ::close(fd);
    return status;
  };
  if (!::isatty(fd)) return fail(FT_DEVICE_NOT_OPENED, ENOTTY);
  // TIOCEXCL does not stop root, so a second program run as root is kept out by the lock.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) return fail(FT_DEVICE_NOT_OPENED, errno);
  if (::ioctl(fd, TIOCEXCL) != 0) return fail(FT_DEVICE_NOT_OPENED, errno);
  const FtStatus raw = changeTermios(fd, [](termios& tio) {
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
  });
  if (raw != FT_OK) return fail(FT_DEVICE_NOT_OPENED, errno);
  struct stat st {};
  if (::fstat(fd, &st) != 0) return fail(FT_DEVICE_NOT_OPENED, errno);
  // Refused by drivers other than FTDI's (a pseudo-terminal): then the sysfs latency timer
  // stands, which `corvane-cli ports` shows.
  requestLowLatency(fd);

  lastOpenError_ = 0;
  Device d;
  d.fd = fd;
  d.path = path;
  d.rdev = st.st_rdev;
  handle = nextHandle_++;
  devices_.emplace(handle, std::move(d));
  return FT_OK;
}

OpenFailure FtdiSioBackend::lastOpenFailure() const {
  if (lastOpenError_ == 0) return {};
  if (lastOpenPath_.empty()) {
    OpenFailure f;
    f.kind = OpenFailureKind::kMissing;
    f.device = "USB";
    f.error = ENODEV;
    f.reason = "no FTDI USB serial device is connected";
    f.remedy = "plug the instrument's USB cable in, or name its device as USB in [Devices]";
    return f;
  }
  return describeOpenFailure(lastOpenPath_, lastOpenError_);
}

FtStatus FtdiSioBackend::close(FtHandle handle) {
  auto it = devices_.find(handle);
  if (it == devices_.end()) return FT_INVALID_HANDLE;
  releaseDevice(it->second.fd);
  devices_.erase(it);
  return FT_OK;
}

FtStatus FtdiSioBackend::resetDevice(FtHandle handle) {
  Device* d = find(handle);
  if (!d) return FT_INVALID_HANDLE;
  if (d->lost) return FT_IO_ERROR;
  return ::tcflush(d->fd, TCIOFLUSH) == 0 ? FT_OK : lose(*d);
}

FtStatus FtdiSioBackend::setBaudRate(FtHandle handle, uint32_t baud) {
  Device* d = find(handle);
  if (!d) return FT_INVALID_HANDLE;
  if (d->lost) return FT_IO_ERROR;
  const auto* entry = std::find_if(std::begin(kBaudTable), std::end(kBaudTable),
                                   [baud](const BaudEntry& e) { return e.rate == baud; });
  if (entry == std::end(kBaudTable)) return FT_INVALID_BAUD_RATE;
  const speed_t code = entry->code;
  FtStatus status = changeTermios(d->fd, [code](termios& tio) {
    cfsetispeed(&tio, code);
    cfsetospeed(&tio, code);
  });
  return status == FT_OK ? FT_OK : lose(*d);
}

FtStatus FtdiSioBackend::setDataCharacteristics(FtHandle handle, uint8_t wordLength,
                                                uint8_t stopBits, uint8_t parity) {
  Device* d = find(handle);
  if (!d) return FT_INVALID_HANDLE;
  if (d->lost) return FT_IO_ERROR;
  if ((wordLength != FT_BITS_7 && wordLength != FT_BITS_8) ||
      (stopBits != FT_STOP_BITS_1 && stopBits != FT_STOP_BITS_2) || parity > FT_PARITY_SPACE) {
    return FT_INVALID_PARAMETER;
  }
  FtStatus status = changeTermios(d->fd, [=](termios& tio) {
    tio.c_cflag &= ~tcflag_t(CSIZE | CSTOPB | PARENB | PARODD | CMSPAR);
    tio.c_cflag |= wordLength == FT_BITS_7 ? CS7 : CS8;
    if (stopBits == FT_STOP_BITS_2) tio.c_cflag |= CSTOPB;
    switch (parity) {
      case FT_PARITY_ODD:
        tio.c_cflag |= PARENB | PARODD;
        break;
      case FT_PARITY_EVEN:
        tio.c_cflag |= PARENB;
        break;
      case FT_PARITY_MARK:
        tio.c_cflag |= PARENB | CMSPAR | PARODD;
        break;
      case FT_PARITY_SPACE:
        tio.c_cflag |= PARENB | CMSPAR;
        break;
      default:
        break;
    }
  });
  return status == FT_OK ? FT_OK : lose(*d);
}

FtStatus FtdiSioBackend::setFlowControl(FtHandle handle, uint16_t flow, uint8_t xon, uint8_t xoff) {
  Device* d = find(handle);
  if (!d) return FT_INVALID_HANDLE;
  if (d->lost) return FT_IO_ERROR;
  if (flow != FT_FLOW_NONE && flow != FT_FLOW_RTS_CTS && flow != FT_FLOW_XON_XOFF) {
    return FT_INVALID_PARAMETER;
  }
  FtStatus status = changeTermios(d->fd, [=](termios& tio) {
    tio.c_cflag &= ~tcflag_t(CRTSCTS);
    tio.c_iflag &= ~tcflag_t(IXON | IXOFF | IXANY);
    tio.c_cc[VSTART] = static_cast<cc_t>(xon);
    tio.c_cc[VSTOP] = static_cast<cc_t>(xoff);
    if (flow == FT_FLOW_RTS_CTS) tio.c_cflag |= CRTSCTS;
    if (flow == FT_FLOW_XON_XOFF) tio.c_iflag |= IXON | IXOFF;
  });
  return status == FT_OK ? FT_OK : lose(*d);
}

FtStatus FtdiSioBackend::setTimeouts(FtHandle handle, uint32_t readMs, uint32_t writeMs) {
  Device* d = find(handle);
  if (!d) return FT_INVALID_HANDLE;
  if (d->lost) return FT_IO_ERROR;
  d->readTimeoutMs = toPollTimeout(readMs);
  d->writeTimeoutMs = toPollTimeout(writeMs);
  return FT_OK;
}

FtStatus FtdiSioBackend::getQueueStatus(FtHandle handle, uint32_t& rxBytes) {
  Device* d = find(handle);
  if (!d) return FT_INVALID_HANDLE;
  if (!stillThere(*d)) return FT_IO_ERROR;
  int waiting = 0;
  if (::ioctl(d->fd, FIONREAD, &waiting) != 0 || waiting < 0) return lose(*d);
  rxBytes = static_cast<uint32_t>(waiting);
  return FT_OK;
}

FtStatus FtdiSioBackend::write(FtHandle handle, const uint8_t* data, uint32_t length,
                               uint32_t& written) {
  written = 0;
  Device* d = find(handle);
  if (!d) return FT_INVALID_HANDLE;
  if (d->lost) return FT_IO_ERROR;
  while (written < length) {
    const ssize_t n = ::write(d->fd, data + written, length - written);
    if (n > 0) {
      written += static_cast<uint32_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) return lose(*d);
    pollfd p{d->fd, POLLOUT, 0};
    const int r = ::poll(&p, 1, d->writeTimeoutMs);
    if (r == 0) return FT_OK;  // write time-out: what went is in `written`
    if (r < 0) {
      if (errno == EINTR) return FT_OK;
      return lose(*d);
    }
    if (revealsLoss(p.revents)) return lose(*d);
  }
  return FT_OK;
}

FtStatus FtdiSioBackend::read(FtHandle handle, uint8_t* data, uint32_t length, uint32_t& got) {
  got = 0;
  Device* d = find(handle);
  if (!d) return FT_INVALID_HANDLE;
  if (d->lost) return FT_IO_ERROR;
  if (length == 0) return FT_OK;
  pollfd p{d->fd, POLLIN, 0};
  const int r = ::poll(&p, 1, d->readTimeoutMs);
  if (r == 0) return FT_OK;  // read time-out, nothing arrived
  if (r < 0) return errno == EINTR ? FT_OK : lose(*d);
  if ((p.revents & POLLIN) == 0) return lose(*d);  // hung up or failed with nothing to read
  while (got < length) {
    const ssize_t n = ::read(d->fd, data + got, length - got);
    if (n > 0) {
      got += static_cast<uint32_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) break;
    // In raw mode with no minimum an empty queue reads as 0, and so does a hung-up device: only
    // the hang-up shows in poll. EIO (a pty whose far end closed) always means loss.
    if (n == 0) {
      pollfd q{d->fd, POLLIN, 0};
      if (::poll(&q, 1, 0) >= 0 && !revealsLoss(q.revents)) break;
    }
    // The device has gone. Bytes already read are still delivered; the next call reports it.
    d->lost = true;
    return got > 0 ? FT_OK : FT_IO_ERROR;
  }
  return FT_OK;
}

}  // namespace corvane
