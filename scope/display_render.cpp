#include "scope/display_render.h"

#include "scope/display_colors.h"
#include "scope/display_compose.h"

namespace corvane {

WaveformBlock MakeNewWindowRecord() {
  WaveformBlock record;
  for (int i = 0; i < kPointCount; ++i) {
    record.setCh1Samples(i, 177);
    record.setCh2Samples(i, 77);
    record.setPointValid(i, 1);
  }
  record.setCh1Position(175);
  record.setCh2Position(275);
  record.setTriggerLevel(225);
  record.setLimitsHidden(1);
  return record;
}

DisplayBitmap renderRecordPicture(const WaveformBlock& record, std::optional<GridKind> grid,
                                  CursorType cursors) {
  // The window's creation: its own initial record arrives first, then the given one.
  WindowState state;
  WaveformBlock initial = MakeNewWindowRecord();
  AcceptArrivingRecord(initial, state);
  WaveformBlock shown = record;
  AcceptArrivingRecord(shown, state);
  // The window's measurement pass marks every live sample valid.
  for (int i = 0; i < kPointCount; ++i) shown.setPointValid(i, 1);
  if (grid) state.grid = *grid;
  state.cursors.type = cursors;
  DisplayBitmap bitmap;
  ComposeDisplay(bitmap, shown, state, DisplayColors{});
  return bitmap;
}

std::optional<GridKind> parseGridKindName(std::string_view name) {
  if (name == "board") return GridKind::Board;
  if (name == "cross") return GridKind::Cross;
  if (name == "full") return GridKind::Full;
  return std::nullopt;
}

std::optional<CursorType> parseCursorTypeName(std::string_view name) {
  if (name == "none") return CursorType::None;
  if (name == "time") return CursorType::Time;
  if (name == "voltage") return CursorType::Voltage;
  if (name == "pair") return CursorType::Pair;
  return std::nullopt;
}

}  // namespace corvane
