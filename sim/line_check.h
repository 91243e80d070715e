// The simulator's view of the line settings the program chose. A real instrument at another rate
// or parity reads garbage and stays silent; the simulator reads the settings from its side of the
// pseudo-terminal (termios calls on the master act on the slave's settings) and does the same.
#pragma once

#include <termios.h>

#include <cstdint>
#include <optional>
#include <string_view>

namespace corvane::sim {

enum class LineParity : uint8_t { kNone, kEven, kOdd };

std::optional<LineParity> parseLineParity(std::string_view text);  // "none", "even", "odd"
const char* lineParityName(LineParity parity);

// The bit rate of the settings; 0 for one that termios has no constant for.
int64_t lineBitRate(const termios& t);

// The parity of the settings. A pseudo-terminal drops PARENB from what its slave sets but keeps
// PARODD and INPCK, so PARODD alone means odd, and input parity checking (which Corvane's serial
// layer adds to parity on a pseudo-terminal) stands for even where PARENB is missing. Mark and
// space parity (CMSPAR) are none of the three.
std::optional<LineParity> lineParity(const termios& t);

struct LineExpectation {
  int64_t bitRate = 0;
  LineParity parity = LineParity::kNone;
};

// True when the settings are those expected, 8 data bits included.
bool lineMatches(const termios& t, const LineExpectation& expected);

}  // namespace corvane::sim
