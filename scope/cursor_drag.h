// Left-button drags on the display area: the trigger position and level markers, the "1", "2"
// and "M" tags and the measuring cursors. Qt-free: the window forwards its pointer events and
// does what the returned step asks (show a surface, refresh the readouts, redraw, send).
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "analysis/waveform_block.h"
#include "scope/display_bitmap.h"
#include "scope/display_colors.h"
#include "scope/window_state.h"

namespace corvane {

enum class DragTarget : uint8_t {
  None,
  TriggerPosition,
  TriggerLevel,
  Ch1Tag,
  Ch2Tag,
  ArithTag,
  Cursor
};

// The setting a released marker sends through the main window: `SendPosition` of `kind` 1..4,
// or `SendSetting` (kind 0) for the arithmetic position. The value is the window's, unclamped
// (a level dragged above the display can be below 125 or negative); the sender frames it.
struct MarkerSend {
  int code = 0;  // 43 trigger position, 93 trigger level, 8 CH1, 28 CH2, 27 arithmetic
  int kind = 0;  // 3, 4, 1, 2, 0
  int value = 0;
  bool operator==(const MarkerSend&) const = default;
};

struct DragStep {
  bool showBitmap = false;      // copy the display bitmap to the display area
  bool showDisplay = false;     // show the `display` surface (bitmap plus dragged cursors)
  bool updateReadouts = false;  // UpdateCursorReadouts
  bool redraw = false;          // redrawDisplay
  std::optional<MarkerSend> send;
};

// What a left press at (x, y) grabs: markers and tags first (later matches win: the level marker
// over the position marker, a tag over both), then a cursor within 2 pixels of the cursor type
// (cursor 2 over cursor 1).
struct DragPick {
  DragTarget target = DragTarget::None;
  int cursor = 0;  // for DragTarget::Cursor: 0 = cursor or point 1, 1 = 2
  bool operator==(const DragPick&) const = default;
};
DragPick PickDragTarget(int x, int y, const WindowState& state);

// A drawn marker, tag or cursor with a bitmap pixel where a press grabs exactly it, and the
// directions its drag follows. The keyboard reaches the display's drags through these: it presses
// at `x, y` and moves from there.
struct DragHandle {
  DragPick pick;
  int x = 0;
  int y = 0;
  bool horizontal = false;
  bool vertical = false;
};
// The handles in keyboard order: trigger position, trigger level, tags "1", "2", "M", cursors 1
// and 2. Only what the picture shows; a handle no press can reach (one covered by another at
// every pixel) is left out.
std::vector<DragHandle> DragHandles(const WaveformBlock& record, const WindowState& state);

class CursorDrag {
 public:
  // Left button down at (x, y). A marker or tag under the pointer starts its drag; otherwise a
  // cursor within 2 pixels (of the cursor type) does, and the bitmap is recomposed without
  // cursors. Later matches win: the level marker over the position marker, a tag over both;
  // cursor 2 over cursor 1.
  DragStep mouseDown(int x, int y, const WaveformBlock& record, WindowState& state,
                     DisplayBitmap& bitmap, const DisplayColors& colors);
  // Pointer moved while the button is held. Markers redraw only their strips into the bitmap;
  // a cursor is drawn into `display`, a copy of the cursor-less bitmap.
  DragStep mouseMove(int x, int y, const WaveformBlock& record, WindowState& state,
                     DisplayBitmap& bitmap, DisplayBitmap& display, const DisplayColors& colors);
  // Left button released: the marker's new value is kept and sent, the picture recomposed.
  DragStep mouseUp(int x, int y, WindowState& state);

  bool dragging() const { return dragging_; }
  DragTarget target() const { return target_; }
  int grabbedCursor() const { return grabbed_; }  // 0 = cursor or point 1, 1 = 2

 private:
  bool dragging_ = false;
  DragTarget target_ = DragTarget::None;
  int grabbed_ = 0;
};

}  // namespace corvane
