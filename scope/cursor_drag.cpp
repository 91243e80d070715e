#include "scope/cursor_drag.h"

#include <algorithm>

#include "scope/cursor_conversions.h"
#include "scope/display_compose.h"

namespace corvane {
namespace {

bool within(int64_t v, int64_t centre, int64_t reach) {
  return centre - reach < v && v < centre + reach;
}

int* tagPosition(WindowState& state, DragTarget target) {
  switch (target) {
    case DragTarget::Ch1Tag:
      return &state.ch1Position;
    case DragTarget::Ch2Tag:
      return &state.ch2Position;
    case DragTarget::ArithTag:
      return &state.arithPosition;
    default:
      return nullptr;
  }
}

}  // namespace

DragPick PickDragTarget(int x, int y, const WindowState& state) {
  DragPick pick;
  if (within(x, TriggerPositionToX(state.triggerPosition), 4) && y < 10) {
    pick.target = DragTarget::TriggerPosition;
  }
  if (x > 312 && within(y, LevelToY(state.triggerLevel), 4)) pick.target = DragTarget::TriggerLevel;
  if (x < 18) {
    const std::pair<int, DragTarget> tags[] = {{state.ch1Position, DragTarget::Ch1Tag},
                                               {state.ch2Position, DragTarget::Ch2Tag},
                                               {state.arithPosition, DragTarget::ArithTag}};
    for (auto [position, tag] : tags) {
      if (within(y, PositionToY(position), 6)) pick.target = tag;
    }
  }
  if (pick.target != DragTarget::None) return pick;

  const CursorState& c = state.cursors;
  auto grab = [&](bool hit, int which) {
    if (!hit) return;
    pick = {DragTarget::Cursor, which};
  };
  switch (c.type) {
    case CursorType::Time:
      grab(within(x, c.x1, 3), 0);
      grab(within(x, c.x2, 3), 1);
      break;
    case CursorType::Voltage:
      grab(within(y, c.y1, 3), 0);
      grab(within(y, c.y2, 3), 1);
      break;
    case CursorType::Pair:
      grab(within(x, c.x1, 3) && within(y, c.y1, 3), 0);
      grab(within(x, c.x2, 3) && within(y, c.y2, 3), 1);
      break;
    default:
      break;
  }
  return pick;
}

std::vector<DragHandle> DragHandles(const WaveformBlock& record, const WindowState& state) {
  std::vector<DragHandle> handles;
  // The pixel nearest (x, y) within the reach that grabs `want`, searched outwards.
  auto add = [&](DragPick want, int x, int y, int reachX, int reachY, bool h, bool v) {
    for (int ry = 0; ry <= reachY; ++ry) {
      for (int rx = 0; rx <= reachX; ++rx) {
        for (int sy : {y - ry, y + ry}) {
          for (int sx : {x - rx, x + rx}) {
            if (PickDragTarget(sx, sy, state) == want) {
              handles.push_back({want, sx, sy, h, v});
              return;
            }
          }
        }
      }
    }
  };
  add({DragTarget::TriggerPosition}, int(TriggerPositionToX(state.triggerPosition)), 4, 3, 4, true,
      false);
  if (triggerLevelMarkerShown(record)) {
    add({DragTarget::TriggerLevel}, 316, LevelToY(state.triggerLevel), 3, 3, false, true);
  }
  if (record.Ch1Hidden() == 0) {
    add({DragTarget::Ch1Tag}, 5, PositionToY(state.ch1Position), 5, 5, false, true);
  }
  if (record.Ch2Hidden() == 0) {
    add({DragTarget::Ch2Tag}, 5, PositionToY(state.ch2Position), 5, 5, false, true);
  }
  if (arithmeticTraceShown(record)) {
    add({DragTarget::ArithTag}, 5, PositionToY(state.arithPosition), 5, 5, false, true);
  }
  const CursorState& c = state.cursors;
  for (int which : {0, 1}) {
    const int cx = which == 0 ? c.x1 : c.x2;
    const int cy = which == 0 ? c.y1 : c.y2;
    const DragPick pick{DragTarget::Cursor, which};
    switch (c.type) {
      case CursorType::Time:  // anywhere along the line, away from the tags
        add(pick, cx, 130, 2, 120, true, false);
        break;
      case CursorType::Voltage:
        add(pick, 162, cy, 150, 2, false, true);
        break;
      case CursorType::Pair:
        add(pick, cx, cy, 2, 2, true, true);
        break;
      default:
        break;
    }
  }
  return handles;
}

DragStep CursorDrag::mouseDown(int x, int y, const WaveformBlock& record, WindowState& state,
                               DisplayBitmap& bitmap, const DisplayColors& colors) {
  const DragPick pick = PickDragTarget(x, y, state);
  dragging_ = pick.target != DragTarget::None;
  if (!dragging_) return {};
  target_ = pick.target;
  if (target_ != DragTarget::Cursor) return {};
  grabbed_ = pick.cursor;
  ComposeDisplayWithoutCursors(bitmap, record, state, colors);
  return {};
}

DragStep CursorDrag::mouseMove(int x, int y, const WaveformBlock& record, WindowState& state,
                               DisplayBitmap& bitmap, DisplayBitmap& display,
                               const DisplayColors& colors) {
  DragStep step;
  if (!dragging_) return step;
  switch (target_) {
    case DragTarget::TriggerPosition:
      DrawTriggerPositionMarker(bitmap, XToTriggerPosition(x));
      step.showBitmap = true;
      break;
    case DragTarget::TriggerLevel:
      if (triggerLevelMarkerShown(record)) DrawTriggerLevelMarker(bitmap, YToLevel(y));
      DrawTriggerPositionMarker(bitmap, state.triggerPosition);
      step.showBitmap = true;
      break;
    case DragTarget::Ch1Tag:
    case DragTarget::Ch2Tag:
    case DragTarget::ArithTag:
      *tagPosition(state, target_) = YToLevel(y);
      DrawChannelMarkers(bitmap, record, state, colors);
      DrawTriggerPositionMarker(bitmap, state.triggerPosition);
      step.showBitmap = true;
      break;
    case DragTarget::Cursor: {
      display = bitmap;
      CursorState& c = state.cursors;
      int& cx = grabbed_ == 0 ? c.x1 : c.x2;
      int& cy = grabbed_ == 0 ? c.y1 : c.y2;
      if (c.type == CursorType::Voltage || c.type == CursorType::Pair) cy = y;
      if (c.type == CursorType::Time || c.type == CursorType::Pair) cx = x;
      cx = std::clamp(cx, 12, 312);
      cy = std::clamp(cy, 10, 250);
      DrawCursors(display, c, colors);
      step.showDisplay = true;
      step.updateReadouts = true;
      break;
    }
    case DragTarget::None:
      break;
  }
  return step;
}

DragStep CursorDrag::mouseUp(int x, int y, WindowState& state) {
  DragStep step;
  if (!dragging_) return step;
  dragging_ = false;
  step.redraw = true;
  switch (target_) {
    case DragTarget::TriggerPosition:
      state.triggerPosition = XToTriggerPosition(x);
      step.send = MarkerSend{43, 3, state.triggerPosition};
      break;
    case DragTarget::TriggerLevel:
      state.triggerLevel = YToLevel(y);
      step.send = MarkerSend{93, 4, state.triggerLevel};
      break;
    case DragTarget::Ch1Tag:
      step.send = MarkerSend{8, 1, state.ch1Position};
      break;
    case DragTarget::Ch2Tag:
      step.send = MarkerSend{28, 2, state.ch2Position};
      break;
    case DragTarget::ArithTag:
      step.send = MarkerSend{27, 0, state.arithPosition};
      break;
    case DragTarget::Cursor:
    case DragTarget::None:
      break;
  }
  return step;
}

}  // namespace corvane
