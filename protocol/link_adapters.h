// The real links behind the send path's two writer interfaces.
#pragma once

#include <functional>
#include <string_view>

#include "link/comm_port_driver.h"
#include "link/usb_link.h"
#include "protocol/link_writers.h"

namespace corvane {

// All bytes to CommPortDriver::send in one call. A write that failed or stalled past the output
// time-out goes to onFailure (a hang-up goes to the driver's own OnHangUp).
class CommPortSerialWriter : public SerialWriter {
 public:
  explicit CommPortSerialWriter(CommPortDriver& port,
                                std::function<void(const SendResult&)> onFailure = {})
      : serialPort_(port), onFailure_(std::move(onFailure)) {}
  std::size_t sendData(std::string_view bytes) override;

 private:
  CommPortDriver& serialPort_;
  std::function<void(const SendResult&)> onFailure_;
};

// The bytes through the USB link's transmit buffer.
class UsbLinkWriter : public UsbWriter {
 public:
  explicit UsbLinkWriter(UsbLink& usb) : usb_(usb) {}
  std::size_t usbWrite(std::string_view bytes) override;

 private:
  UsbLink& usb_;
};

}  // namespace corvane
