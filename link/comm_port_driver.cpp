#include "link/comm_port_driver.h"

#include <sys/ioctl.h>

#include <algorithm>
#include <cerrno>

namespace corvane {

namespace {

struct RateEntry {
  std::uint32_t bitsPerSecond;
  speed_t constant;  // B0 where termios has no constant for the rate
};

constexpr RateEntry kRates[] = {
    {110, B110},   {300, B300},     {600, B600},       {1200, B1200},   {2400, B2400},
    {4800, B4800}, {9600, B9600},   {14400, B0},       {19200, B19200}, {38400, B38400},
    {56000, B0},   {57600, B57600}, {115200, B115200},
};
constexpr std::size_t kRateCount = sizeof(kRates) / sizeof(kRates[0]);

// Placeholder rate in the termios while a free rate is set through termios2 right after.
constexpr speed_t kCustomRateBase = B38400;

// While the output queue is full it drains at the line rate; a millisecond is a few bytes.
constexpr int kQueueFullPauseMs = 1;
// Longest single wait for a device that takes nothing; it wakes earlier once it can write.
constexpr int kWritableWaitMs = 10;

constexpr tcflag_t kDataBitFlags[] = {CS5, CS6, CS7, CS8};

bool isHangUpError(int err) {
  return err == EIO || err == ENXIO || err == ENODEV || err == EPIPE;
}

bool isUnsupportedError(int err) {
  return err == ENOTTY || err == EINVAL;
}

}  // namespace

std::uint32_t baudRateBitsPerSecond(TComPortBaudRate rate) {
  return rate < kRateCount ? kRates[rate].bitsPerSecond : 0;
}

TCommPortDriver::TCommPortDriver(TimerService& timers, SerialOs& os)
    : os_(os), receiveBuffer_(std::min<std::size_t>(inBufSize_, kMaxReceiveChunk)) {
  pollTimer_ = timers.createTimer(std::max<int>(1, pollingDelay_), [this] { poll(); });
}

TCommPortDriver::~TCommPortDriver() {
  closePort();
  pollTimer_.reset();
}

void TCommPortDriver::setComPort(TComPortNumber port) {
  if (connected() || port > pnCOM4) return;
  comPort_ = port;
}

void TCommPortDriver::setComPortSpeed(TComPortBaudRate speed) {
  if (speed > br115200) return;
  speed_ = speed;
  reapplyIfConnected();
}

void TCommPortDriver::setComPortDataBits(TComPortDataBits bits) {
  if (bits > db8BITS) return;
  dataBits_ = bits;
  reapplyIfConnected();
}

void TCommPortDriver::setComPortStopBits(TComPortStopBits bits) {
  if (bits > sb2BITS) return;
  stopBits_ = bits;
  reapplyIfConnected();
}

void TCommPortDriver::setComPortParity(TComPortParity parity) {
  if (parity > ptSPACE) return;
  parity_ = parity;
  reapplyIfConnected();
}

void TCommPortDriver::setComPortHwHandshaking(TComPortHwHandshaking mode) {
  if (mode > hhRTSCTS) return;
  hwHandshaking_ = mode;
  reapplyIfConnected();
}

void TCommPortDriver::setComPortSwHandshaking(TComPortSwHandshaking mode) {
  if (mode > shXONXOFF) return;
  swHandshaking_ = mode;
  reapplyIfConnected();
}

void TCommPortDriver::setComPortInBufSize(std::uint16_t size) {
  // A zero-byte buffer would make every read look like end of file.
  if (connected() || size == 0) return;
  inBufSize_ = size;
  // No read is ever larger than the framer's chunk limit, so neither is the buffer.
  receiveBuffer_ = std::vector<std::uint8_t>(std::min<std::size_t>(size, kMaxReceiveChunk));
}

void TCommPortDriver::setComPortOutBufSize(std::uint16_t size) {
  // With no free space ever, every send would time out.
  if (size == 0) return;
  outBufSize_ = size;
}

void TCommPortDriver::setComPortPollingDelay(std::uint16_t ms) {
  if (ms == pollingDelay_) return;
  pollingDelay_ = ms;
  // setInterval re-arms a running timer from now; 0 would fire on every event-loop pass.
  pollTimer_->setInterval(std::max<int>(1, ms));
}

bool TCommPortDriver::connect() {
  if (connected()) return true;
  const std::string& path = portDevices_.path(comPort_ + 1);
  int fd = os_.openDevice(path);
  if (fd < 0) {
    lastError_ = -fd;
    return false;
  }
  if (int r = os_.lockExclusive(fd); r < 0) {
    os_.closeDevice(fd);
    lastError_ = -r;
    return false;
  }
  fd_ = fd;
  if (int r = applySettings(); r < 0) {
    closePort();
    lastError_ = -r;
    return false;
  }
  openPath_ = path;
  hungUp_ = false;
  lastError_ = 0;
  pollTimer_->start();
  return true;
}

bool TCommPortDriver::disconnect() {
  closePort();
  return false;
}

void TCommPortDriver::closePort() {
  if (fd_ < 0) return;
  pollTimer_->stop();
  os_.closeDevice(fd_);
  fd_ = -1;
  openPath_.clear();
}

void TCommPortDriver::hangUp(int error) {
  lastError_ = error;
  closePort();
  hungUp_ = true;
  if (onHangUp_) {
    TComPortHangUpEvent handler = onHangUp_;  // the handler may replace itself
    handler(*this);
  }
}

bool TCommPortDriver::checkHangUp(int err) {
  if (!isHangUpError(err)) return false;
  hangUp(err);
  return true;
}

int TCommPortDriver::applySettings() {
  termios t{};
  if (int r = os_.getAttributes(fd_, &t); r < 0) return r;

  // Raw transfer: no byte is special on input or output, no echo, no signals, no line editing.
  t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL |
                                      IXON | IXOFF | IXANY | INPCK | IGNPAR | IUCLC | IMAXBEL);
  t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN);
  t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
  t.c_cflag |= CREAD | CLOCAL;
  // On the non-blocking descriptor a read returns at once with what has arrived, or EAGAIN.
  // VMIN 0 would answer 0 for "nothing yet", which must stay the sign of a hang-up.
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;

  t.c_cflag |= kDataBitFlags[dataBits_];
  switch (parity_) {
    case ptNONE:
      break;
    case ptODD:
      t.c_cflag |= PARENB | PARODD;
      break;
    case ptEVEN:
      t.c_cflag |= PARENB;
      break;
    case ptMARK:
      t.c_cflag |= PARENB | CMSPAR | PARODD;
      break;
    case ptSPACE:
      t.c_cflag |= PARENB | CMSPAR;
      break;
  }
  // A UART sends 1.5 stop bits for CSTOPB with 5 data bits and 2 otherwise.
  if (stopBits_ != sb1BITS) t.c_cflag |= CSTOPB;
  if (hwHandshaking_ == hhRTSCTS) t.c_cflag |= CRTSCTS;
  if (swHandshaking_ == shXONXOFF) {
    t.c_iflag |= IXON | IXOFF;
    t.c_cc[VSTART] = 0x11;
    t.c_cc[VSTOP] = 0x13;
  }

  const RateEntry& rate = kRates[speed_];
  const speed_t constant = rate.constant != B0 ? rate.constant : kCustomRateBase;
  cfsetispeed(&t, constant);
  cfsetospeed(&t, constant);
  if (int r = os_.setAttributes(fd_, t); r < 0) return r;
  if (rate.constant == B0) {
    if (int r = os_.setCustomRate(fd_, rate.bitsPerSecond); r < 0) return r;
  }

  // Modem lines do not exist on every tty (a pseudo-terminal answers ENOTTY).
  auto line = [&](bool raise, int bit) {
    int r = raise ? os_.setModemLines(fd_, bit) : os_.clearModemLines(fd_, bit);
    return (r < 0 && isUnsupportedError(-r)) ? 0 : r;
  };
  if (int r = line(enableDtrOnOpen_, TIOCM_DTR); r < 0) return r;
  // Under RTS/CTS the kernel drives RTS from here on, but it has to start raised.
  if (int r = line(hwHandshaking_ == hhRTSCTS, TIOCM_RTS); r < 0) return r;

  return os_.flush(fd_, TCIOFLUSH);
}

bool TCommPortDriver::reapplyIfConnected() {
  if (!connected()) return false;
  int r = applySettings();
  if (r >= 0) return true;
  lastError_ = -r;
  checkHangUp(-r);
  return false;
}

bool TCommPortDriver::purgeInput() {
  if (!connected()) return false;
  int r = os_.flush(fd_, TCIFLUSH);
  if (r < 0) {
    lastError_ = -r;
    checkHangUp(-r);
    return false;
  }
  return true;
}

bool TCommPortDriver::purgeOutput() {
  if (!connected()) return false;
  int r = os_.flush(fd_, TCOFLUSH);
  if (r < 0) {
    lastError_ = -r;
    checkHangUp(-r);
    return false;
  }
  return true;
}

int TCommPortDriver::outputFreeSpace() {
  if (!connected()) return kFreeSpaceWhenDisconnected;
  int queued = os_.outputQueued(fd_);
  if (queued < 0) {
    if (checkHangUp(-queued)) return kFreeSpaceWhenDisconnected;
    queued = 0;  // no queue level to be had: let the write itself tell whether there is room
  }
  // The kernel's queue can be larger than ours.
  return std::max(0, static_cast<int>(outBufSize_) - queued);
}

SendResult TCommPortDriver::send(const void* data, std::size_t length) {
  SendResult result;
  if (!connected()) return result;
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  std::int64_t waitStart = os_.monotonicMs();
  auto stalledTooLong = [&] { return os_.monotonicMs() - waitStart > outputTimeout_; };

  while (result.written < length) {
    const int free = outputFreeSpace();
    if (!connected()) {
      result.status = SendStatus::kHungUp;
      return result;
    }
    if (free == 0) {
      if (stalledTooLong()) {
        result.status = SendStatus::kTimedOut;
        return result;
      }
      os_.pause(kQueueFullPauseMs);
      continue;
    }
    // Never more than the free space, so the queue level stays meaningful.
    const std::size_t chunk =
        std::min<std::size_t>(length - result.written, static_cast<std::size_t>(free));
    const long n = os_.writeSome(fd_, bytes + result.written, chunk);
    if (n > 0) {
      result.written += static_cast<std::size_t>(n);
      waitStart = os_.monotonicMs();
      continue;
    }
    if (n < 0 && -n != EAGAIN && -n != EWOULDBLOCK) {
      lastError_ = static_cast<int>(-n);
      result.status = checkHangUp(lastError_) ? SendStatus::kHungUp : SendStatus::kFailed;
      return result;
    }
    // Only progress restarts the clock: a device that accepts nothing times out as well.
    if (stalledTooLong()) {
      result.status = SendStatus::kTimedOut;
      return result;
    }
    os_.waitWritable(fd_, kWritableWaitMs);
  }
  result.status = SendStatus::kComplete;
  return result;
}

void TCommPortDriver::poll() {
  if (!connected()) return;
  const long n = os_.readSome(fd_, receiveBuffer_.data(), receiveBuffer_.size());
  if (n > 0) {
    if (onReceiveData_) {
      TComPortReceiveDataEvent handler = onReceiveData_;  // the handler may replace itself
      handler(*this, receiveBuffer_.data(), static_cast<std::size_t>(n));
    }
    return;
  }
  // A non-blocking read returns 0 only at end of file: the far end has gone.
  if (n == 0) {
    hangUp(EIO);
    return;
  }
  checkHangUp(
      static_cast<int>(-n));  // anything else (nothing arrived, EINTR) waits for the next tick
}

}  // namespace corvane
