// The operating-system calls the serial port driver makes. They sit behind one interface so that
// what a pseudo-terminal cannot show (a stalled output queue, modem lines, parity bits) can be
// exercised on a fake; PosixSerialOs is the one real implementation.
#pragma once

#include <termios.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace corvane {

// Calls that can fail return a negative errno value (-ENOENT, -EAGAIN, -EIO ...).
class SerialOs {
 public:
  virtual ~SerialOs() = default;

  // True when the descriptors openDevice returns can be watched for readiness (poll, Qt's
  // notifiers); a driver on an OS without it reads on its poll timer.
  virtual bool signalsReadiness() const { return false; }

  // Opens for reading and writing, non-blocking, never as the controlling terminal.
  // Returns the descriptor.
  virtual int openDevice(const std::string& path) = 0;
  virtual void closeDevice(int fd) = 0;
  // Refuses (-EWOULDBLOCK) while another open of the same device holds it. Once it holds the
  // device, an FTDI adapter is asked for low latency.
  virtual int lockExclusive(int fd) = 0;

  virtual int getAttributes(int fd, termios* attributes) = 0;
  // On a pseudo-terminal, parity also turns on input parity checking (its far end sees that).
  virtual int setAttributes(int fd, const termios& attributes) = 0;
  // A rate that has no B-constant (14400, 56000 bit/s); called after setAttributes.
  virtual int setCustomRate(int fd, std::uint32_t bitsPerSecond) = 0;
  // TIOCMBIS / TIOCMBIC with TIOCM_DTR, TIOCM_RTS.
  virtual int setModemLines(int fd, int lines) = 0;
  virtual int clearModemLines(int fd, int lines) = 0;
  // tcflush with TCIFLUSH, TCOFLUSH or TCIOFLUSH.
  virtual int flush(int fd, int queueSelector) = 0;

  // Bytes read; 0 at end of file (the far end hung up); -EAGAIN when nothing has arrived.
  virtual long readSome(int fd, void* buffer, std::size_t size) = 0;
  // Bytes accepted; -EAGAIN when the device takes nothing now.
  virtual long writeSome(int fd, const void* data, std::size_t size) = 0;
  // TIOCOUTQ: bytes still waiting in the output queue.
  virtual int outputQueued(int fd) = 0;

  // Blocks for at most ms until the device accepts output.
  virtual void waitWritable(int fd, int ms) = 0;
  // Blocks for ms while the output queue drains at the line rate.
  virtual void pause(int ms) = 0;
  // Milliseconds on a clock that never steps back; only differences are used.
  virtual std::int64_t monotonicMs() = 0;
};

class PosixSerialOs : public SerialOs {
 public:
  // The process-wide instance the driver uses unless it is handed another.
  static PosixSerialOs& instance();

  bool signalsReadiness() const override { return true; }

  int openDevice(const std::string& path) override;
  void closeDevice(int fd) override;
  int lockExclusive(int fd) override;
  int getAttributes(int fd, termios* attributes) override;
  int setAttributes(int fd, const termios& attributes) override;
  int setCustomRate(int fd, std::uint32_t bitsPerSecond) override;
  int setModemLines(int fd, int lines) override;
  int clearModemLines(int fd, int lines) override;
  int flush(int fd, int queueSelector) override;
  long readSome(int fd, void* buffer, std::size_t size) override;
  long writeSome(int fd, const void* data, std::size_t size) override;
  int outputQueued(int fd) override;
  void waitWritable(int fd, int ms) override;
  void pause(int ms) override;
  std::int64_t monotonicMs() override;
};

}  // namespace corvane
