#include "link/comm_port_driver.h"

namespace corvane {

OpenFailure TCommPortDriver::openFailure() const {
  if (connected() || lastError() == 0) return {};
  return describeOpenFailure(portDevices().path(ComPort() + 1), lastError());
}

}  // namespace corvane
