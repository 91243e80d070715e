#include "link/comm_port_driver.h"

namespace corvane {

OpenFailure CommPortDriver::openFailure() const {
  if (connected() || lastError() == 0) return {};
  return describeOpenFailure(portDevices().path(comPort() + 1), lastError());
}

}  // namespace corvane
