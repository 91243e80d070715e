// The line settings of the serial port driver: rate, framing, handshaking and buffers, and how
// they become the open port's termios and modem lines.
#include <sys/ioctl.h>

#include <algorithm>
#include <cerrno>

#include "link/comm_port_driver.h"

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
constexpr tcflag_t kDataBitFlags[] = {CS5, CS6, CS7, CS8};

bool isUnsupportedError(int err) {
  return err == ENOTTY || err == EINVAL;
}

}  // namespace

std::uint32_t baudRateBitsPerSecond(ComPortBaudRate rate) {
  return rate < kRateCount ? kRates[rate].bitsPerSecond : 0;
}

void CommPortDriver::setComPort(ComPortNumber port) {
  if (connected() || port > pnCOM4) return;
  comPort_ = port;
}

void CommPortDriver::setComPortSpeed(ComPortBaudRate speed) {
  if (speed > br115200) return;
  speed_ = speed;
  reapplyIfConnected();
}

void CommPortDriver::setComPortDataBits(ComPortDataBits bits) {
  if (bits > db8BITS) return;
  dataBits_ = bits;
  reapplyIfConnected();
}

void CommPortDriver::setComPortStopBits(ComPortStopBits bits) {
  if (bits > sb2BITS) return;
  stopBits_ = bits;
  reapplyIfConnected();
}

void CommPortDriver::setComPortParity(ComPortParity parity) {
  if (parity > ptSPACE) return;
  parity_ = parity;
  reapplyIfConnected();
}

void CommPortDriver::setComPortHwHandshaking(ComPortHwHandshaking mode) {
  if (mode > hhRTSCTS) return;
  hwHandshaking_ = mode;
  reapplyIfConnected();
}

void CommPortDriver::setComPortSwHandshaking(ComPortSwHandshaking mode) {
  if (mode > shXONXOFF) return;
  swHandshaking_ = mode;
  reapplyIfConnected();
}

void CommPortDriver::setComPortInBufSize(std::uint16_t size) {
  // A zero-byte buffer would make every read look like end of file.
  if (connected() || size == 0) return;
  inBufSize_ = size;
  // No read is ever larger than the framer's chunk limit, so neither is the buffer.
  receiveBuffer_ = std::vector<std::uint8_t>(std::min<std::size_t>(size, kMaxReceiveChunk));
}

void CommPortDriver::setComPortOutBufSize(std::uint16_t size) {
  // With no free space ever, every send would time out.
  if (size == 0) return;
  outBufSize_ = size;
}

void CommPortDriver::setComPortPollingDelay(std::uint16_t ms) {
  if (ms == pollingDelay_) return;
  pollingDelay_ = ms;
  // setInterval re-arms a running timer from now; 0 would fire on every event-loop pass.
  pollTimer_->setInterval(std::max<int>(1, ms));
}

int CommPortDriver::applySettings() {
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

bool CommPortDriver::reapplyIfConnected() {
  if (!connected()) return false;
  int r = applySettings();
  if (r >= 0) return true;
  lastError_ = -r;
  checkHangUp(-r);
  return false;
}

}  // namespace corvane
