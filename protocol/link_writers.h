// What the send path needs of the two links. The session adapts the serial port driver and the
// USB link to these, so the protocol core depends on neither.
#pragma once

#include <cstddef>
#include <string_view>

namespace corvane {

class SerialWriter {
 public:
  virtual ~SerialWriter() = default;
  // Hands all bytes to the serial port driver in one call; returns the bytes written. Failures are
  // the link's to report.
  virtual std::size_t sendData(std::string_view bytes) = 0;
};

class UsbWriter {
 public:
  virtual ~UsbWriter() = default;
  // Copies the bytes into the USB transmit buffer and writes exactly that many with one write;
  // returns the bytes written.
  virtual std::size_t usbWrite(std::string_view bytes) = 0;
};

}  // namespace corvane
