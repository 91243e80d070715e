#include "protocol/link_adapters.h"

#include <cstdint>

namespace corvane {

bool CommPortSerialWriter::sendData(std::string_view bytes) {
  return serialPort_.send(bytes.data(), bytes.size()).ok();
}

bool UsbLinkWriter::usbWrite(std::string_view bytes) {
  return usb_.sendFrame(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()) ==
         bytes.size();
}

}  // namespace corvane
