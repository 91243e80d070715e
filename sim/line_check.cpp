#include "sim/line_check.h"

namespace corvane::sim {

namespace {

struct RateCode {
  speed_t code;
  int64_t bitRate;
};

constexpr RateCode kRates[] = {
    {B50, 50},           {B75, 75},           {B110, 110},         {B134, 134},
    {B150, 150},         {B200, 200},         {B300, 300},         {B600, 600},
    {B1200, 1200},       {B1800, 1800},       {B2400, 2400},       {B4800, 4800},
    {B9600, 9600},       {B19200, 19200},     {B38400, 38400},     {B57600, 57600},
    {B115200, 115200},   {B230400, 230400},   {B460800, 460800},   {B500000, 500000},
    {B576000, 576000},   {B921600, 921600},   {B1000000, 1000000}, {B1152000, 1152000},
    {B1500000, 1500000}, {B2000000, 2000000}, {B2500000, 2500000}, {B3000000, 3000000},
    {B3500000, 3500000}, {B4000000, 4000000},
};

}  // namespace

std::optional<LineParity> parseLineParity(std::string_view text) {
  if (text == "none") return LineParity::kNone;
  if (text == "even") return LineParity::kEven;
  if (text == "odd") return LineParity::kOdd;
  return std::nullopt;
}

const char* lineParityName(LineParity parity) {
  switch (parity) {
    case LineParity::kNone:
      return "none";
    case LineParity::kEven:
      return "even";
    case LineParity::kOdd:
      return "odd";
  }
  return "none";
}

int64_t lineBitRate(const termios& t) {
  const speed_t code = cfgetospeed(&t);
  for (const RateCode& r : kRates) {
    if (r.code == code) return r.bitRate;
  }
  return 0;
}

std::optional<LineParity> lineParity(const termios& t) {
  if (t.c_cflag & CMSPAR) return std::nullopt;
  if (t.c_cflag & PARODD) return LineParity::kOdd;
  return (t.c_cflag & PARENB) || (t.c_iflag & INPCK) ? LineParity::kEven : LineParity::kNone;
}

bool lineMatches(const termios& t, const LineExpectation& expected) {
  return (t.c_cflag & CSIZE) == CS8 && lineBitRate(t) == expected.bitRate &&
         lineParity(t) == expected.parity;
}

}  // namespace corvane::sim
