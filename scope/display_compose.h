// The scope display picture: a pure function of the window's record, its window state and the
// colour slots, composed into the 324 x 254 display bitmap. The steps are public so that the
// window's drags can redraw only what moves.
#pragma once

#include "analysis/waveform_block.h"
#include "scope/display_bitmap.h"
#include "scope/display_colors.h"
#include "scope/window_state.h"

namespace corvane {

// How the traces are scaled for display: kV = acquired / displayed volts per division per
// channel, kT = acquired / displayed time per division (never below 1: time is only expanded),
// and the sample index the expansion is centred on, 2 x (trigger position - 6) within 0..498.
// A scale index outside its table, or a box without a selection, scales by 1.
struct DisplayScale {
  double kV1 = 1.0;
  double kV2 = 1.0;
  double kT = 1.0;
  int expansionCentre = 0;
};
DisplayScale ComputeDisplayScale(const WaveformBlock& record, const WindowState& state);

// An arithmetic mode the trace is drawn for (1..5); any other byte draws no trace and no tag.
bool arithmeticTraceShown(const WaveformBlock& record);
// The level marker belongs to the CH1 and CH2 trigger sources only.
bool triggerLevelMarkerShown(const WaveformBlock& record);

// Black background, frame, edge ticks; CROSS adds the centre lines with their ticks, FULL also
// the dotted division lines.
void DrawGraticule(DisplayBitmap& bitmap, GridKind grid, const DisplayColors& colors);

// CH1 and CH2 against time (or the XY plot), the arithmetic, recall and go/no-go traces. In XY
// mode the window's CH1 and CH2 positions are clamped to 87..287 and kept so.
void DrawTraces(DisplayBitmap& bitmap, const WaveformBlock& record, WindowState& state,
                const DisplayColors& colors);

// Right strip cleared, yellow triangle pointing left at LevelToY(level).
void DrawTriggerLevelMarker(DisplayBitmap& bitmap, int64_t level);

// The cursors of the state's type in the Cursor colour (None draws nothing). Pair adds 5 x 5
// squares centred on the two points, filled with the inverse colour.
void DrawCursors(DisplayBitmap& bitmap, const CursorState& cursors, const DisplayColors& colors);

// Left strip cleared, then the "1", "2" and "M" tags at the window's positions.
void DrawChannelMarkers(DisplayBitmap& bitmap, const WaveformBlock& record,
                        const WindowState& state, const DisplayColors& colors);

// Top strip and the strip below the data area cleared (this hides clipped YT samples on rows
// 9 and 250), red triangle pointing down at TriggerPositionToX(v).
void DrawTriggerPositionMarker(DisplayBitmap& bitmap, int64_t triggerPosition);

// The whole picture: graticule, traces, trigger level marker (CH1/CH2 source), cursors, channel
// markers, trigger position marker.
void ComposeDisplay(DisplayBitmap& bitmap, const WaveformBlock& record, WindowState& state,
                    const DisplayColors& colors);

// The picture without cursors that a cursor drag starts from: graticule, traces, trigger
// position marker, trigger level marker (CH1/CH2 source), channel markers.
void ComposeDisplayWithoutCursors(DisplayBitmap& bitmap, const WaveformBlock& record,
                                  WindowState& state, const DisplayColors& colors);

}  // namespace corvane
