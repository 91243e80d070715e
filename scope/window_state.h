// What a scope window keeps beside its record that the picture depends on, and the steps of
// data arrival that set it from an arriving record.
#pragma once

#include <cstdint>
#include <optional>

#include "analysis/waveform_block.h"
#include "scope/cursor_state.h"

namespace corvane {

// The window's own grid kind, the tags of the "BOARD", "CROSS" and "FULL" radio buttons.
enum class GridKind : uint8_t { Board = 0, Cross = 1, Full = 2 };

// No item selected in a display scale box: the record's own index lies outside the table.
inline constexpr int kNoSelection = -1;

struct WindowState {
  GridKind grid = GridKind::Full;
  // Marker values: copied from the record on arrival, then dragged by the operator.
  int triggerPosition = 0;  // columns, 6..255 in use
  int triggerLevel = 225;   // rows, 125..325 in use
  int ch1Position = 175;
  int ch2Position = 275;
  int arithPosition = 0;  // set by ComputeArithmeticTrace
  // Display scales (the CH1, CH2 volts and time boxes): table indices or kNoSelection.
  int displayCh1VoltDiv = 0;
  int displayCh2VoltDiv = 0;
  int displayTimeDiv = 0;
  CursorState cursors;

  bool operator==(const WindowState&) const = default;
};

// The window's grid kind for the record's `GridKind` byte (0 full, 1 cross, 2 board); nullopt for
// any other value, which leaves the window's grid as it was.
std::optional<GridKind> gridKindFromRecord(uint8_t recordGrid);

// The largest trigger position a window keeps. The instrument's positions end at 255; a larger
// one would put the time-expansion centre beyond the 500 samples, so arrival clamps it here.
inline constexpr int kMaxTriggerPosition = 255;

// The steps of data arrival that touch the picture, on the window's own copy of the record
// (already stored) and its state: grid kind from `GridKind`; CH1, CH2 and trigger positions and
// the trigger level from the record (an EXT level mapped onto rows by extTriggerLevelToRow, the
// record keeping its 0..1000 value); the display scale boxes set to the record's own indices;
// the arithmetic trace computed (or zeroed when the mode is 0); `ArithShown` := 1. Earlier drags
// are discarded; the cursors are left alone. The measurement pass is not part of this.
void AcceptArrivingRecord(WaveformBlock& record, WindowState& state);

}  // namespace corvane
