#include "protocol/link_adapters.h"

#include <cstdint>

namespace corvane {

std::size_t CommPortSerialWriter::sendData(std::string_view bytes) {
  const SendResult result = serialPort_.send(bytes.data(), bytes.size());
  // A port that is not open has nothing to report; one that hung up has reported already.
  if (onFailure_ &&
      (result.status == SendStatus::kFailed || result.status == SendStatus::kTimedOut)) {
    onFailure_(result);
  }
  return result.written;
}

std::size_t UsbLinkWriter::usbWrite(std::string_view bytes) {
  return usb_.sendFrame(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

}  // namespace corvane
