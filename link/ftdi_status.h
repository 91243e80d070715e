// Status codes, argument codes and call names of the FTDI D2XX interface that the USB link
// mirrors; the values are the library's own so that a status reads the same in any report.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace corvane {

using FtStatus = uint32_t;
// Opaque device handle; 0 is never a valid one.
using FtHandle = uintptr_t;

inline constexpr FtStatus FT_OK = 0;
inline constexpr FtStatus FT_INVALID_HANDLE = 1;
inline constexpr FtStatus FT_DEVICE_NOT_FOUND = 2;
inline constexpr FtStatus FT_DEVICE_NOT_OPENED = 3;
inline constexpr FtStatus FT_IO_ERROR = 4;
inline constexpr FtStatus FT_INSUFFICIENT_RESOURCES = 5;
inline constexpr FtStatus FT_INVALID_PARAMETER = 6;
inline constexpr FtStatus FT_INVALID_BAUD_RATE = 7;

inline constexpr uint8_t FT_BITS_8 = 8;
inline constexpr uint8_t FT_BITS_7 = 7;
inline constexpr uint8_t FT_STOP_BITS_1 = 0;
inline constexpr uint8_t FT_STOP_BITS_2 = 2;
inline constexpr uint8_t FT_PARITY_NONE = 0;
inline constexpr uint8_t FT_PARITY_ODD = 1;
inline constexpr uint8_t FT_PARITY_EVEN = 2;
inline constexpr uint8_t FT_PARITY_MARK = 3;
inline constexpr uint8_t FT_PARITY_SPACE = 4;
inline constexpr uint16_t FT_FLOW_NONE = 0x0000;
inline constexpr uint16_t FT_FLOW_RTS_CTS = 0x0100;
inline constexpr uint16_t FT_FLOW_XON_XOFF = 0x0400;

// The ten D2XX calls the program makes.
enum class FtdiFunction : uint8_t {
  kOpen,
  kClose,
  kResetDevice,
  kSetBaudRate,
  kSetDataCharacteristics,
  kSetFlowControl,
  kSetTimeouts,
  kGetQueueStatus,
  kWrite,
  kRead,
};

// "FT_Open", "FT_Close", ... "FT_Read".
std::string_view ftdiFunctionName(FtdiFunction fn);

// Text of the error box for a failed call: the call's name followed by the text of its status,
// e.g. "FT_Open - Device Not Found....". Statuses beyond 1..5 read " - Error <n>...".
std::string usbErrorText(FtdiFunction fn, FtStatus status);

}  // namespace corvane
