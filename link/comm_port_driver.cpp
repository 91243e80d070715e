#include "link/comm_port_driver.h"

#include <sys/ioctl.h>

#include <algorithm>
#include <cerrno>

namespace corvane {

namespace {

// While the output queue is full it drains at the line rate; a millisecond is a few bytes.
constexpr int kQueueFullPauseMs = 1;
// Longest single wait for a device that takes nothing; it wakes earlier once it can write.
constexpr int kWritableWaitMs = 10;

bool isHangUpError(int err) {
  return err == EIO || err == ENXIO || err == ENODEV || err == EPIPE;
}

}  // namespace

CommPortDriver::CommPortDriver(TimerService& timers, SerialOs& os, IoWatchService* watches)
    : os_(os),
      watches_(os.signalsReadiness() ? watches : nullptr),
      receiveBuffer_(std::min<std::size_t>(inBufSize_, kMaxReceiveChunk)) {
  pollTimer_ = timers.createTimer(std::max<int>(1, pollingDelay_), [this] { poll(); });
}

CommPortDriver::~CommPortDriver() {
  closePort();
  pollTimer_.reset();
}

bool CommPortDriver::connect() {
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
  startReading();
  return true;
}

void CommPortDriver::startReading() {
  if (watches_ == nullptr) {
    pollTimer_->start();
    return;
  }
  readable_ = watches_->watchReadable(fd_, [this] { poll(); });
}

bool CommPortDriver::disconnect() {
  closePort();
  return false;
}

void CommPortDriver::closePort() {
  if (fd_ < 0) return;
  pollTimer_->stop();
  readable_.reset();  // before the descriptor can be reused
  os_.closeDevice(fd_);
  fd_ = -1;
  openPath_.clear();
}

void CommPortDriver::hangUp(int error) {
  lastError_ = error;
  closePort();
  hungUp_ = true;
  if (onHangUp_) {
    ComPortHangUpEvent handler = onHangUp_;  // the handler may replace itself
    handler(*this);
  }
}

bool CommPortDriver::checkHangUp(int err) {
  if (!isHangUpError(err)) return false;
  hangUp(err);
  return true;
}

bool CommPortDriver::purgeInput() {
  if (!connected()) return false;
  int r = os_.flush(fd_, TCIFLUSH);
  if (r < 0) {
    lastError_ = -r;
    checkHangUp(-r);
    return false;
  }
  return true;
}

bool CommPortDriver::purgeOutput() {
  if (!connected()) return false;
  int r = os_.flush(fd_, TCOFLUSH);
  if (r < 0) {
    lastError_ = -r;
    checkHangUp(-r);
    return false;
  }
  return true;
}

int CommPortDriver::outputFreeSpace() {
  if (!connected()) return kFreeSpaceWhenDisconnected;
  int queued = os_.outputQueued(fd_);
  if (queued < 0) {
    if (checkHangUp(-queued)) return kFreeSpaceWhenDisconnected;
    queued = 0;  // no queue level to be had: let the write itself tell whether there is room
  }
  // The kernel's queue can be larger than ours.
  return std::max(0, static_cast<int>(outBufSize_) - queued);
}

SendResult CommPortDriver::send(const void* data, std::size_t length) {
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

void CommPortDriver::poll() {
  if (!connected()) return;
  const long n = os_.readSome(fd_, receiveBuffer_.data(), receiveBuffer_.size());
  if (n > 0) {
    if (onReceiveData_) {
      ComPortReceiveDataEvent handler = onReceiveData_;  // the handler may replace itself
      handler(*this, receiveBuffer_.data(), static_cast<std::size_t>(n));
    }
    return;
  }
  // A non-blocking read returns 0 only at end of file: the far end has gone.
  if (n == 0) {
    hangUp(EIO);
    return;
  }
  // Anything else (nothing arrived, EINTR) waits for the next tick or readiness.
  checkHangUp(static_cast<int>(-n));
}

}  // namespace corvane
