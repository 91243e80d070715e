#include "protocol/connection_selection.h"

#include <array>
#include <string>

#include "analysis/waveform_block.h"

namespace corvane {

namespace {

constexpr std::array<ComPortNumber, 4> kPorts = {pnCOM1, pnCOM2, pnCOM3, pnCOM4};
constexpr std::array<ComPortBaudRate, 6> kRates = {br1200, br2400,  br4800,
                                                   br9600, br19200, br38400};
// The dialog lists none, even, odd; the driver's own order is none, odd, even.
constexpr std::array<ComPortParity, 3> kParities = {ptNONE, ptEVEN, ptODD};

}  // namespace

bool applyPortSettings(CommPortDriver& port, const PortSettings& settings, ProtocolHost& host) {
  port.disconnect();
  if (settings.portIndex < kPorts.size()) port.setComPort(kPorts[settings.portIndex]);
  if (settings.baudIndex < kRates.size()) port.setComPortSpeed(kRates[settings.baudIndex]);
  if (settings.parityIndex < kParities.size()) {
    port.setComPortParity(kParities[settings.parityIndex]);
  }
  port.setComPortStopBits(sb1BITS);
  port.setComPortHwHandshaking(hhNONE);
  port.setComPortSwHandshaking(shNONE);
  port.setEnableDTROnOpen(false);
  port.setComPortDataBits(db8BITS);
  if (port.connect()) return true;
  const OpenFailure failure = port.openFailure();
  host.showErrorDetail(kComPortSettingErrorText, failure.failed() ? failure.text() : std::string());
  return false;
}

bool usbChosenAtFirstShow(const LinkChoice& choice, const WaveformBlock* restored) {
  return choice.usbAvailable && restored != nullptr && restored->LinkUsb() == 1;
}

}  // namespace corvane
