// Conversions between the window's marker values (trigger position in columns 6..255, trigger
// level and positions in rows 125..325) and display bitmap pixels. Every real-to-pixel step takes
// the nearest integer, a half going to the even neighbour.
#pragma once

#include <cstdint>

namespace corvane {

// 5 + nearest(1.2 v), clamped to 12..312.
int64_t TriggerPositionToX(int64_t v);
// nearest((clamp(X, 12, 311) - 5) x 250 / 300): always 6..255.
int XToTriggerPosition(int64_t x);
// 10 + nearest(1.2 (clamp(v, 125, 325) - 125)), clamped to 10..249: the trigger level marker.
int LevelToY(int64_t v);
// The same clamped to 10..250: the channel and arithmetic tags.
int PositionToY(int64_t v);
// 125 + nearest((Y - 10) x 200 / 240), not clamped: a marker dragged beyond the display sends
// the value beyond the screen (a release at Y = -50 gives 75).
int YToLevel(int64_t y);

}  // namespace corvane
