// What the instrument's own screen shows: the 10 x 8 division graticule (x 6..256, y 25..225,
// 25 pixels a division, so a column is an x and a row minus 100 is a y), the shown traces, the
// recalled trace dotted, the ground, trigger position and trigger level markers, and a run/stop
// box in the top left corner (filled while running).
#pragma once

#include "sim/acquisition.h"
#include "sim/instrument_settings.h"
#include "sim/screen_image.h"

namespace corvane::sim {

inline constexpr int kGridLeft = 6;
inline constexpr int kGridRight = 256;
inline constexpr int kGridTop = 25;
inline constexpr int kGridBottom = 225;

// Screen y of a sample code (code 227 is the top line) and of a row (125 is the top line).
inline int codeToY(int code) {
  return 252 - code;
}
inline int rowToY(int row) {
  return row - 100;
}

ScreenImage paintInstrumentScreen(const InstrumentSettings& s, const DisplayTraces& traces,
                                  const Trace* recall, bool running);

}  // namespace corvane::sim
