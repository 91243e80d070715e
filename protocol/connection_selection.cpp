#include "protocol/connection_selection.h"

#include <array>

#include "analysis/waveform_block.h"

namespace corvane {

namespace {

constexpr std::array<TComPortNumber, 4> kPorts = {pnCOM1, pnCOM2, pnCOM3, pnCOM4};
constexpr std::array<TComPortBaudRate, 6> kRates = {br1200, br2400,  br4800,
                                                    br9600, br19200, br38400};
// The dialog lists none, even, odd; the driver's own order is none, odd, even.
constexpr std::array<TComPortParity, 3> kParities = {ptNONE, ptEVEN, ptODD};

}  // namespace

bool ApplyPortSettings(TCommPortDriver& COMM, const PortSettings& settings, ProtocolHost& host) {
  COMM.disconnect();
  if (settings.portIndex < kPorts.size()) COMM.setComPort(kPorts[settings.portIndex]);
  if (settings.baudIndex < kRates.size()) COMM.setComPortSpeed(kRates[settings.baudIndex]);
  if (settings.parityIndex < kParities.size()) {
    COMM.setComPortParity(kParities[settings.parityIndex]);
  }
  COMM.setComPortStopBits(sb1BITS);
  COMM.setComPortHwHandshaking(hhNONE);
  COMM.setComPortSwHandshaking(shNONE);
  COMM.setEnableDTROnOpen(false);
  COMM.setComPortDataBits(db8BITS);
  if (COMM.connect()) return true;
  host.showError(kComPortSettingErrorText);
  return false;
}

bool usbChosenAtFirstShow(const LinkChoice& choice, const WaveformBlock* restored) {
  return choice.USB1Enabled && restored != nullptr && restored->LinkUsb() == 1;
}

}  // namespace corvane
