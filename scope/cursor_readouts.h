// The six texts of the "Cursor Position" panel, read from the cursor coordinates, the display
// scale boxes and the record's probe factors.
#pragma once

#include <string>

#include "analysis/waveform_block.h"
#include "scope/window_state.h"

namespace corvane {

struct CursorReadouts {
  std::string timeDelta;  // |T2 - T1| in the display time unit
  std::string frequency;  // 1 / |T2 - T1| in Hz, kHz or MHz (1.00Hz when the cursors coincide)
  std::string time1;      // time of cursor 1 from the centre column, signed
  std::string time2;
  std::string ch1VoltDelta;  // |Y1 - Y2| on CH1's display scale, probe included
  std::string ch2VoltDelta;  // the same on CH2's

  bool operator==(const CursorReadouts&) const = default;
};

// Filled whatever the cursor type, None included. A display box without a selection (or with an
// index outside its table) has no scale: the texts that need it read "???". A probe byte outside
// 0..3 counts as x1, as the trigger level text does.
CursorReadouts UpdateCursorReadouts(const WaveformBlock& record, const WindowState& state);

}  // namespace corvane
