// The measuring cursors of a scope window: their type and the four coordinates, in display
// bitmap pixels.
#pragma once

#include <cstdint>

namespace corvane {

// The index of the cursor type box: "None", "Time", "Voltage", "Pair".
enum class CursorType : uint8_t { None = 0, Time = 1, Voltage = 2, Pair = 3 };

struct CursorState {
  CursorType type = CursorType::None;
  int x1 = 100;  // columns of time cursors 1 and 2 (Pair: the x of points 1 and 2)
  int x2 = 200;
  int y1 = 50;  // rows of voltage cursors 1 and 2 (Pair: the y of points 1 and 2)
  int y2 = 150;

  bool operator==(const CursorState&) const = default;
};

}  // namespace corvane
