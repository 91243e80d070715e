// The real links behind the send path's two writer interfaces.
#pragma once

#include <string_view>

#include "link/comm_port_driver.h"
#include "link/usb_link.h"
#include "protocol/link_writers.h"

namespace corvane {

// All bytes to CommPortDriver::send in one call; true only when every byte went out.
class CommPortSerialWriter : public SerialWriter {
 public:
  explicit CommPortSerialWriter(CommPortDriver& port) : serialPort_(port) {}
  bool sendData(std::string_view bytes) override;

 private:
  CommPortDriver& serialPort_;
};

// The bytes through the USB link's transmit buffer; true only when every byte was written.
class UsbLinkWriter : public UsbWriter {
 public:
  explicit UsbLinkWriter(UsbLink& usb) : usb_(usb) {}
  bool usbWrite(std::string_view bytes) override;

 private:
  UsbLink& usb_;
};

}  // namespace corvane
