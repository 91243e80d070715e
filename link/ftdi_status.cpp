#include "link/ftdi_status.h"

namespace corvane {

std::string_view ftdiFunctionName(FtdiFunction fn) {
  switch (fn) {
    case FtdiFunction::kOpen:
      return "FT_Open";
    case FtdiFunction::kClose:
      return "FT_Close";
    case FtdiFunction::kResetDevice:
      return "FT_ResetDevice";
    case FtdiFunction::kSetBaudRate:
      return "FT_SetBaudRate";
    case FtdiFunction::kSetDataCharacteristics:
      return "FT_SetDataCharacteristics";
    case FtdiFunction::kSetFlowControl:
      return "FT_SetFlowControl";
    case FtdiFunction::kSetTimeouts:
      return "FT_SetTimeouts";
    case FtdiFunction::kGetQueueStatus:
      return "FT_GetQueueStatus";
    case FtdiFunction::kWrite:
      return "FT_Write";
    case FtdiFunction::kRead:
      return "FT_Read";
  }
  return "FT_?";
}

std::string usbErrorText(FtdiFunction fn, FtStatus status) {
  std::string text(ftdiFunctionName(fn));
  switch (status) {
    case FT_INVALID_HANDLE:
      return text + " - Invalid Handle...";
    case FT_DEVICE_NOT_FOUND:
      return text + " - Device Not Found....";
    case FT_DEVICE_NOT_OPENED:
      return text + " - Device Not Opened...";
    case FT_IO_ERROR:
      return text + " - General IO Error...";
    case FT_INSUFFICIENT_RESOURCES:
      return text + " - Insufficient Resources...";
    default:
      // The instrument program had no text for these; the number at least tells them apart.
      return text + " - Error " + std::to_string(status) + "...";
  }
}

}  // namespace corvane
