// The picture a scope window shows right after a record arrives, for callers without a window
// (the command-line renderer, tests, benchmarks).
#pragma once

#include <optional>
#include <string_view>

#include "analysis/waveform_block.h"
#include "scope/cursor_state.h"
#include "scope/display_bitmap.h"
#include "scope/window_state.h"

namespace corvane {

// The record every new scope window makes for itself: zero bytes, then CH1 samples 177 and CH2
// samples 77 with PointValid 1 for the first 500 points, positions 175 and 275, trigger level
// 225 and the go/no-go limits hidden.
WaveformBlock MakeNewWindowRecord();

// A new window that receives `record`: default colours, cursors at 100, 200, 50, 150 of the
// given type, the grid from the record (FULL when its byte is not a grid) unless `grid` is
// given, display scales equal to the acquisition.
DisplayBitmap renderRecordPicture(const WaveformBlock& record, std::optional<GridKind> grid,
                                  CursorType cursors);

// "board", "cross", "full" and "none", "time", "voltage", "pair"; nullopt for anything else.
std::optional<GridKind> parseGridKindName(std::string_view name);
std::optional<CursorType> parseCursorTypeName(std::string_view name);

}  // namespace corvane
