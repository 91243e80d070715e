#include "scope/display_compose.h"

#include <gtest/gtest.h>

#include "scope/arith_trace.h"
#include "scope/display_render.h"
#include "tests/scope/display_test_records.h"

namespace corvane {
namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kGrey = 0x777777;
constexpr uint32_t kRed = 0x0000FF;
constexpr uint32_t kYellow = 0x00FFFF;

// Distinct slot colours, so every pixel tells which step painted it.
DisplayColors distinctColors() {
  DisplayColors c;
  c.ch1 = 0x0000C0;
  c.ch2 = 0x00C000;
  c.merge = 0xC00000;
  c.cursor = 0x404040;
  c.recall = 0xC0C000;
  c.grid = kGrey;
  c.goNoGo = 0x00C0C0;
  return c;
}

int countColor(const DisplayBitmap& b, uint32_t color, int x0 = 0, int y0 = 0,
               int x1 = kDisplayWidth - 1, int y1 = kDisplayHeight - 1) {
  int n = 0;
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) n += b.pixel(x, y) == color ? 1 : 0;
  }
  return n;
}

// A window that has just received `record` (display scales equal to the acquisition).
struct Window {
  WaveformBlock record;
  WindowState state;
  DisplayBitmap bitmap;
  explicit Window(const WaveformBlock& r) : record(r) { AcceptArrivingRecord(record, state); }
  void compose(const DisplayColors& colors = distinctColors()) {
    ComposeDisplay(bitmap, record, state, colors);
  }
};

TEST(ComposeDisplay, NewWindowDrawsFlatChannelsWithTheirTags) {
  const DisplayBitmap b =
      renderRecordPicture(MakeNewWindowRecord(), std::nullopt, CursorType::None);
  // Dots: each point paints column x - 1 for x = 12 + nearest(0.6 k): 13, 16, 18, 21, ...
  EXPECT_EQ(b.pixel(13, 70), kWhite);
  EXPECT_EQ(b.pixel(150, 70), kWhite);  // k = 232: x = 12 + 139
  EXPECT_EQ(b.pixel(151, 70), 0u);
  EXPECT_EQ(b.pixel(153, 70), kWhite);
  EXPECT_EQ(b.pixel(309, 70), kWhite);  // k = 496: x = 12 + 298
  EXPECT_EQ(b.pixel(13, 69), 0u);
  EXPECT_EQ(b.pixel(13, 71), 0u);
  EXPECT_EQ(b.pixel(13, 190), kWhite);
  EXPECT_EQ(b.pixel(16, 190), kWhite);
  // Tags: 8 x 12 cells at (4, y - 5), white ground, the digit in black.
  EXPECT_EQ(b.pixel(4, 65), kWhite);
  EXPECT_EQ(b.pixel(4, 64), 0u);
  EXPECT_EQ(b.pixel(11, 76), kWhite);
  EXPECT_EQ(b.pixel(7, 66), 0u);  // top of the "1"
  EXPECT_EQ(b.pixel(4, 185), kWhite);
  EXPECT_EQ(b.pixel(5, 186), 0u);  // top of the "2"
  EXPECT_EQ(b.pixel(4, 186), kWhite);
  EXPECT_EQ(countColor(b, kWhite, 0, 0, 11, 253), 2 * 96 - 25 - 30);  // cells less the strokes
  // Level marker at row 130 for level 225, position marker at column 12 for position 0.
  EXPECT_EQ(b.pixel(312, 130), kYellow);
  EXPECT_EQ(b.pixel(317, 127), kYellow);
  EXPECT_EQ(b.pixel(317, 133), kYellow);
  EXPECT_EQ(b.pixel(312, 129), 0u);
  EXPECT_EQ(b.pixel(318, 130), 0u);
  EXPECT_EQ(b.pixel(12, 8), kRed);
  EXPECT_EQ(b.pixel(9, 3), kRed);
  EXPECT_EQ(b.pixel(15, 3), kRed);
  EXPECT_EQ(countColor(b, kRed), 24);
  EXPECT_EQ(countColor(b, kYellow), 24);
}

TEST(ComposeDisplay, RowsAtTheTopAndBottomEdgeAreClippedAndBlanked) {
  WaveformBlock r = MakeNewWindowRecord();
  for (int i = 0; i < kPointCount; ++i) r.setCh1Samples(i, 127);
  r.setCh2Hidden(1);
  r.setCh1Samples(16, 227);  // k = 16: x = 22, row 10
  r.setCh1Samples(4, 228);   // k = 4: x = 14, clipped onto row 9
  r.setCh1Samples(8, 28);    // k = 8: x = 17, row 249
  r.setCh1Samples(12, 27);   // k = 12: x = 19, clipped onto row 250
  r.setCh1Samples(2, 200);   // entries k + 2 and k + 3 are never drawn
  Window w(r);
  DisplayBitmap traces;
  DrawTraces(traces, w.record, w.state, distinctColors());
  const uint32_t ch1 = distinctColors().ch1;
  EXPECT_EQ(traces.pixel(21, 10), ch1);
  EXPECT_EQ(traces.pixel(13, 9), ch1);
  EXPECT_EQ(traces.pixel(16, 249), ch1);
  EXPECT_EQ(traces.pixel(18, 250), ch1);
  EXPECT_EQ(traces.pixel(13, 130), ch1);  // sample 5, the second of that column
  EXPECT_EQ(countColor(traces, ch1, 0, 0, kDisplayWidth - 1, 129), 2);
  w.compose();
  EXPECT_EQ(w.bitmap.pixel(21, 10), ch1);
  EXPECT_EQ(w.bitmap.pixel(13, 9), 0u);
  EXPECT_EQ(w.bitmap.pixel(16, 249), ch1);
  EXPECT_EQ(w.bitmap.pixel(18, 250), 0u);
  EXPECT_EQ(w.bitmap.pixel(13, 130), ch1);
}

TEST(ComposeDisplay, DotsPaintOnePixelLeftAndVectorsJoinEveryPoint) {
  WaveformBlock r = MakeNewWindowRecord();
  r.setGridKind(2);  // BOARD: nothing of the grid in the middle of the screen
  for (int i = 0; i < kPointCount; ++i) r.setCh1Samples(i, 127);
  r.setCh2Hidden(1);
  r.setCh1Samples(201, 177);  // second sample of column 132 (k = 200): row 70
  const uint32_t ch1 = distinctColors().ch1;

  Window dots(r);
  dots.compose();
  EXPECT_EQ(dots.bitmap.pixel(131, 130), ch1);
  EXPECT_EQ(dots.bitmap.pixel(131, 70), ch1);
  EXPECT_EQ(dots.bitmap.pixel(132, 100), 0u);
  EXPECT_EQ(dots.bitmap.pixel(132, 130), 0u);
  EXPECT_EQ(dots.bitmap.pixel(133, 130), ch1);  // k = 204: x = 134

  r.setPointStyle(1);
  Window vectors(r);
  vectors.compose();
  for (int y = 70; y <= 130; ++y) EXPECT_EQ(vectors.bitmap.pixel(132, y), ch1) << y;
  EXPECT_EQ(vectors.bitmap.pixel(132, 69), 0u);
  EXPECT_EQ(vectors.bitmap.pixel(130, 130), ch1);  // (130, 130) -> (132, 130) -> (132, 70)
  EXPECT_EQ(vectors.bitmap.pixel(131, 130), ch1);
  EXPECT_EQ(vectors.bitmap.pixel(133, 100), ch1);  // back down from (132, 70) to (134, 130)
  EXPECT_EQ(vectors.bitmap.pixel(133, 85), 0u);
  EXPECT_EQ(vectors.bitmap.pixel(132, 85), ch1);
  EXPECT_EQ(vectors.bitmap.pixel(12, 130), ch1);  // from the start at (11, 130)
}

TEST(ComposeDisplay, FasterDisplayTimeBaseExpandsAboutTheTriggerSample) {
  WaveformBlock r = MakeNewWindowRecord();
  for (int i = 0; i < kPointCount; ++i) r.setCh1Samples(i, 127);
  r.setCh2Hidden(1);
  r.setTimeDivIndex(8);       // acquired at 1 us
  r.setTriggerPosition(56);   // centre sample 2 x (56 - 6) = 100, column 72
  r.setCh1Samples(104, 177);  // unexpanded: k = 104, x = 74
  r.setCh1Samples(96, 177);   // unexpanded: k = 96, x = 70
  const uint32_t ch1 = distinctColors().ch1;

  Window same(r);
  same.compose();
  EXPECT_EQ(same.bitmap.pixel(73, 70), ch1);
  EXPECT_EQ(same.bitmap.pixel(69, 70), ch1);
  EXPECT_EQ(same.bitmap.pixel(76, 70), 0u);
  EXPECT_EQ(same.bitmap.pixel(72, 8), kRed);

  Window faster(r);
  faster.state.displayTimeDiv = 7;  // 0.5 us: kT = 2
  EXPECT_DOUBLE_EQ(ComputeDisplayScale(faster.record, faster.state).kT, 2.0);
  faster.compose();
  // w[k] = w0[nearest((k - 100) / 2) + 100]: sample 104 moves to k = 107..109 (drawn 108, 109:
  // x = 77), sample 96 to k = 91..93 (drawn 92, 93: x = 67).
  EXPECT_EQ(faster.bitmap.pixel(76, 70), ch1);
  EXPECT_EQ(faster.bitmap.pixel(66, 70), ch1);
  EXPECT_EQ(faster.bitmap.pixel(73, 70), 0u);
  EXPECT_EQ(faster.bitmap.pixel(69, 70), 0u);
  EXPECT_EQ(countColor(faster.bitmap, ch1, 12, 60, 311, 80), 2);  // one dot per column
}

TEST(ComposeDisplay, DisplayVoltsPerDivisionScalesAboutThePositionRow) {
  WaveformBlock r = MakeNewWindowRecord();
  r.setGridKind(2);
  r.setCh2Hidden(1);
  r.setCh1VoltDivIndex(7);  // 0.5 V acquired; the flat 0 V trace sits at position 175, row 70
  for (int i = 0; i < kPointCount; ++i) r.setCh1Samples(i, 127);  // 2 div below ground: row 130
  const uint32_t ch1 = distinctColors().ch1;
  Window w(r);
  w.state.displayCh1VoltDiv = 8;  // 1 V: half the deflection about sample 226 - p (row 11 + 1.2 p')
  w.compose();
  // p = 88, w = (226 - 127 - 88) x 0.5 = 5.5: row 11 + nearest(6.6 + 105.6) = 123.
  EXPECT_EQ(w.bitmap.pixel(131, 123), ch1);
  EXPECT_EQ(w.bitmap.pixel(131, 130), 0u);
  w.state.displayCh1VoltDiv = 6;  // 0.2 V: 2.5 times, (226 - 127 - 88) x 2.5 = 27.5 -> row 150
  w.compose();
  EXPECT_EQ(w.bitmap.pixel(131, 150), ch1);
}

TEST(DrawGraticule, BoardCrossAndFullWithTheirTicks) {
  const DisplayColors colors;
  DisplayBitmap board, cross, full;
  DrawGraticule(board, GridKind::Board, colors);
  DrawGraticule(cross, GridKind::Cross, colors);
  DrawGraticule(full, GridKind::Full, colors);
  for (const DisplayBitmap* b : {&board, &cross, &full}) {
    EXPECT_EQ(b->pixel(12, 10), kGrey);
    EXPECT_EQ(b->pixel(311, 10), kGrey);
    EXPECT_EQ(b->pixel(311, 249), kGrey);
    EXPECT_EQ(b->pixel(12, 249), kGrey);
    EXPECT_EQ(b->pixel(312, 10), 0u);
    EXPECT_EQ(b->pixel(12, 250), 0u);
    // Edge ticks four pixels long, from all four frame lines.
    EXPECT_EQ(b->pixel(18, 13), kGrey);
    EXPECT_EQ(b->pixel(18, 14), 0u);
    EXPECT_EQ(b->pixel(18, 246), kGrey);
    EXPECT_EQ(b->pixel(18, 245), 0u);
    EXPECT_EQ(b->pixel(15, 16), kGrey);
    EXPECT_EQ(b->pixel(16, 16), 0u);
    EXPECT_EQ(b->pixel(308, 16), kGrey);
    EXPECT_EQ(b->pixel(307, 16), 0u);
    EXPECT_EQ(b->pixel(306, 13), kGrey);  // last top tick, t = 294
    EXPECT_EQ(b->pixel(15, 244), kGrey);  // last left tick, t = 234
  }
  // Frame 1076 pixels; 49 top and bottom, 39 left and right ticks add 3 pixels each.
  EXPECT_EQ(countColor(board, kGrey), 1076 + 2 * 49 * 3 + 2 * 39 * 3);
  EXPECT_EQ(board.pixel(162, 100), 0u);
  EXPECT_EQ(board.pixel(100, 130), 0u);

  for (const DisplayBitmap* b : {&cross, &full}) {
    EXPECT_EQ(b->pixel(100, 130), kGrey);
    EXPECT_EQ(b->pixel(311, 130), kGrey);
    EXPECT_EQ(b->pixel(312, 130), 0u);
    EXPECT_EQ(b->pixel(162, 249), kGrey);
    EXPECT_EQ(b->pixel(162, 250), 0u);
    // Division ticks 9 pixels (rows 126..134), others 7 (127..133).
    EXPECT_EQ(b->pixel(42, 126), kGrey);
    EXPECT_EQ(b->pixel(42, 134), kGrey);
    EXPECT_EQ(b->pixel(42, 125), 0u);
    EXPECT_EQ(b->pixel(42, 135), 0u);
    EXPECT_EQ(b->pixel(18, 127), kGrey);
    EXPECT_EQ(b->pixel(18, 133), kGrey);
    EXPECT_EQ(b->pixel(18, 126), 0u);
    EXPECT_EQ(b->pixel(18, 134), 0u);
    EXPECT_EQ(b->pixel(158, 40), kGrey);
    EXPECT_EQ(b->pixel(166, 40), kGrey);
    EXPECT_EQ(b->pixel(157, 40), 0u);
    EXPECT_EQ(b->pixel(167, 40), 0u);
    EXPECT_EQ(b->pixel(159, 16), kGrey);
    EXPECT_EQ(b->pixel(165, 16), kGrey);
    EXPECT_EQ(b->pixel(158, 16), 0u);
    EXPECT_EQ(b->pixel(166, 16), 0u);
  }
  EXPECT_EQ(cross.pixel(42, 100), 0u);

  // FULL: dotted columns 12..282 on rows 10, 16, ..., 244; dotted rows 10..220 on columns
  // 12, 18, ..., 306 - none along the right and bottom frame lines.
  EXPECT_EQ(full.pixel(42, 100), kGrey);
  EXPECT_EQ(full.pixel(42, 101), 0u);
  EXPECT_EQ(full.pixel(282, 22), kGrey);
  EXPECT_EQ(full.pixel(282, 244), kGrey);
  EXPECT_EQ(full.pixel(306, 220), kGrey);
  EXPECT_EQ(full.pixel(312, 22), 0u);
  EXPECT_EQ(full.pixel(312, 220), 0u);
  EXPECT_EQ(full.pixel(288, 22), 0u);
  EXPECT_EQ(full.pixel(30, 250), 0u);
  EXPECT_EQ(full.pixel(30, 244), 0u);
  EXPECT_EQ(full.pixel(30, 220), kGrey);
  int fullOnly = 0;
  for (int y = 0; y < kDisplayHeight; ++y) {
    for (int x = 0; x < kDisplayWidth; ++x) {
      if (full.pixel(x, y) != cross.pixel(x, y)) {
        ++fullOnly;
        EXPECT_TRUE(x <= 306 && y <= 244) << x << "," << y;
      }
    }
  }
  EXPECT_GT(fullOnly, 500);
}

TEST(ComposeDisplay, TriggerLevelMarkerOnlyForChannelSources) {
  for (int source = 0; source <= 4; ++source) {
    WaveformBlock r = MakeNewWindowRecord();
    r.setTriggerSource(uint8_t(source));
    r.setTriggerLevel(source == 2 ? 1000 : 175);
    Window w(r);
    w.compose();
    const int yellow = countColor(w.bitmap, kYellow);
    if (source <= 1) {
      EXPECT_EQ(yellow, 24) << source;
      EXPECT_EQ(w.bitmap.pixel(312, 70), kYellow) << source;  // level 175: row 70
    } else {
      EXPECT_EQ(yellow, 0) << source;
    }
    EXPECT_EQ(countColor(w.bitmap, kRed), 24) << source;
  }
}

TEST(ComposeDisplay, MarkersClampToTheirStrips) {
  WaveformBlock r = MakeNewWindowRecord();
  Window w(r);
  w.state.triggerPosition = 255;
  w.state.triggerLevel = 900;
  w.state.ch1Position = -40;
  w.state.ch2Position = 5000;
  w.compose();
  EXPECT_EQ(w.bitmap.pixel(311, 8), kRed);  // 5 + 306
  EXPECT_EQ(w.bitmap.pixel(312, 249), kYellow);
  EXPECT_EQ(w.bitmap.pixel(317, 246), kYellow);
  EXPECT_EQ(w.bitmap.pixel(4, 10), distinctColors().ch1);   // "1" cell from row 5 (y = 10)...
  EXPECT_EQ(w.bitmap.pixel(4, 9), 0u);                      // ...its top under the top strip
  EXPECT_EQ(w.bitmap.pixel(4, 245), distinctColors().ch2);  // "2" cell from row 245 (y = 250)
  w.state.triggerPosition = 400;
  w.compose();
  EXPECT_EQ(w.bitmap.pixel(312, 8), kRed);
}

TEST(ComposeDisplay, XYPlotsChannelAgainstChannelIgnoringHiddenFlags) {
  WaveformBlock r = MakeNewWindowRecord();
  r.setXYFormat(1);
  r.setCh1Hidden(1);
  r.setCh2Hidden(1);
  r.setCh1Position(225);
  r.setCh2Position(225);
  for (int i = 0; i < kPointCount; ++i) {
    r.setCh1Samples(i, 127);
    r.setCh2Samples(i, 127);
  }
  r.setCh1Samples(0, 152);  // one division right: column 163 + 30
  r.setCh2Samples(1, 77);   // two divisions down: row 130 + 60
  const uint32_t ch1 = distinctColors().ch1;
  Window w(r);
  w.compose();
  EXPECT_EQ(w.bitmap.pixel(163, 130), ch1);
  EXPECT_EQ(w.bitmap.pixel(193, 130), ch1);
  EXPECT_EQ(w.bitmap.pixel(163, 190), ch1);
  EXPECT_EQ(countColor(w.bitmap, ch1), 3);
  // Window positions are clamped to 87..287 and kept; the shift is the clamped difference.
  w.state.ch1Position = 400;
  w.state.ch2Position = 0;
  DisplayBitmap moved;
  DrawTraces(moved, w.record, w.state, distinctColors());
  EXPECT_EQ(w.state.ch1Position, 287);
  EXPECT_EQ(w.state.ch2Position, 87);
  // a = 127 - 2 - 62 = 63 -> column 13 + 76; b = 127 - 27 + 138 = 238 -> row -36 (lost), but
  // sample 1 of CH2: b = 77 - 27 + 138 = 188 -> row 24.
  EXPECT_EQ(moved.pixel(89, 24), ch1);
  EXPECT_EQ(countColor(moved, ch1), 1);
}

TEST(ComposeDisplay, ArithmeticTraceAndTag) {
  WaveformBlock r = MakeNewWindowRecord();
  r.setCh1Position(225);
  r.setCh2Position(225);
  for (int i = 0; i < kPointCount; ++i) {
    r.setCh1Samples(i, 127);
    r.setCh2Samples(i, 127);
  }
  r.setArithMode(1);
  r.setArithShown(0);  // arrival shows it again
  r.setCh1Hidden(1);
  r.setCh2Hidden(1);
  Window w(r);
  EXPECT_EQ(w.record.ArithShown(), 1);
  EXPECT_EQ(w.record.ArithTrace(0), 124);
  EXPECT_EQ(w.state.arithPosition, 225);
  const uint32_t merge = distinctColors().merge;
  w.compose();
  // row(124) = 280 - nearest(148.8) = 131; dots at x - 1, x = 12 + nearest(0.6 i).
  EXPECT_EQ(w.bitmap.pixel(13, 131), merge);
  EXPECT_EQ(w.bitmap.pixel(14, 131), 0u);
  EXPECT_EQ(w.bitmap.pixel(307, 131), merge);  // i = 494: x = 12 + 296
  EXPECT_EQ(w.bitmap.pixel(4, 125), merge);    // "M" cell from row 125
  EXPECT_EQ(w.bitmap.pixel(4, 126), inverseColor(merge));
  // Dragging the tag moves the trace by 1.2 pixels per unit: 25 units, 30 rows.
  w.state.arithPosition = 250;
  w.compose();
  EXPECT_EQ(w.bitmap.pixel(13, 161), merge);
  EXPECT_EQ(w.bitmap.pixel(4, 155), merge);
  // Hidden, or a mode byte without meaning: no trace and no tag.
  w.record.setArithShown(0);
  w.compose();
  EXPECT_EQ(countColor(w.bitmap, merge), 0);
  w.record.setArithShown(1);
  w.record.setArithMode(9);
  w.compose();
  EXPECT_EQ(countColor(w.bitmap, merge), 0);
}

TEST(ComposeDisplay, RecallSkipsInvalidPointsAndLimitsFollowTheLiveFlags) {
  WaveformBlock r = MakeNewWindowRecord();
  r.setCh1Hidden(1);
  r.setCh2Hidden(1);
  r.setRecallShown(1);
  for (int i = 0; i < kPointCount; ++i) {
    r.setRecallSamples(i, 127);
    r.setRecallValid(i, 1);
    r.setLimitUpper(i, 200);
    r.setLimitLower(i, 50);
  }
  r.setRecallSamples(8, 177);  // group 8..11, column 17
  r.setRecallValid(8, 0);
  r.setRecallSamples(13, 177);  // group 12..15, column 19
  r.setLimitsHidden(0);
  r.setGridKind(2);
  const DisplayColors colors = distinctColors();
  Window w(r);
  w.compose();
  // row(v) = 282 - nearest(1.2 v): 127 -> 130, 177 -> 70, 200 -> 42, 50 -> 222.
  EXPECT_EQ(w.bitmap.pixel(16, 130), colors.recall);
  EXPECT_EQ(w.bitmap.pixel(16, 70), 0u);
  EXPECT_EQ(w.bitmap.pixel(18, 70), colors.recall);
  EXPECT_EQ(w.bitmap.pixel(13, 42), colors.goNoGo);
  EXPECT_EQ(w.bitmap.pixel(306, 42), colors.goNoGo);  // the last group, i0 = 492: x = 12 + 295
  EXPECT_EQ(w.bitmap.pixel(306, 222), colors.goNoGo);
  w.record.setPointValid(492, 0);
  w.record.setPointValid(493, 0);
  w.record.setPointValid(494, 0);
  w.record.setPointValid(495, 0);
  w.record.setRecallShown(0);
  w.compose();
  EXPECT_EQ(w.bitmap.pixel(306, 42), 0u);
  EXPECT_EQ(w.bitmap.pixel(16, 130), 0u);
  w.record.setLimitsHidden(1);
  w.compose();
  EXPECT_EQ(countColor(w.bitmap, colors.goNoGo), 0);
}

TEST(ComposeDisplay, HidingAChannelRemovesItsTraceAndTag) {
  WaveformBlock r = MakeNewWindowRecord();
  r.setCh1Hidden(1);
  Window w(r);
  w.compose();
  EXPECT_EQ(countColor(w.bitmap, distinctColors().ch1), 0);
  EXPECT_GT(countColor(w.bitmap, distinctColors().ch2), 100);
}

TEST(ComposeDisplay, CursorsOfEachType) {
  const DisplayColors colors = distinctColors();
  Window w(MakeNewWindowRecord());
  w.state.cursors.type = CursorType::Time;
  w.compose();
  EXPECT_EQ(w.bitmap.pixel(100, 10), colors.cursor);
  EXPECT_EQ(w.bitmap.pixel(100, 249), colors.cursor);
  EXPECT_EQ(w.bitmap.pixel(100, 250), 0u);
  EXPECT_EQ(w.bitmap.pixel(200, 120), colors.cursor);
  EXPECT_EQ(w.bitmap.pixel(150, 50), 0u);
  w.state.cursors.type = CursorType::Voltage;
  w.compose();
  EXPECT_EQ(w.bitmap.pixel(12, 50), colors.cursor);
  EXPECT_EQ(w.bitmap.pixel(311, 150), colors.cursor);
  EXPECT_EQ(w.bitmap.pixel(312, 150), 0u);
  EXPECT_EQ(w.bitmap.pixel(100, 120), 0u);
  w.state.cursors.type = CursorType::Pair;
  w.compose();
  EXPECT_EQ(w.bitmap.pixel(100, 120), colors.cursor);
  EXPECT_EQ(w.bitmap.pixel(98, 48), colors.cursor);  // square outline 98..102 x 48..52
  EXPECT_EQ(w.bitmap.pixel(102, 52), colors.cursor);
  EXPECT_EQ(w.bitmap.pixel(100, 50), inverseColor(colors.cursor));
  EXPECT_EQ(w.bitmap.pixel(101, 51), inverseColor(colors.cursor));
  EXPECT_EQ(w.bitmap.pixel(103, 50), colors.cursor);  // the voltage line continues
  EXPECT_EQ(w.bitmap.pixel(103, 53), 0u);
  EXPECT_EQ(w.bitmap.pixel(199, 149), inverseColor(colors.cursor));
  w.state.cursors.type = CursorType::None;
  w.compose();
  EXPECT_EQ(countColor(w.bitmap, colors.cursor), 0);
}

TEST(ComposeDisplay, WithoutCursorsIsTheFullPictureLessTheCursors) {
  Window w(testing::MakeBusyRecord());
  w.state.cursors.type = CursorType::Pair;
  DisplayBitmap bare, none;
  ComposeDisplayWithoutCursors(bare, w.record, w.state, distinctColors());
  w.state.cursors.type = CursorType::None;
  ComposeDisplay(none, w.record, w.state, distinctColors());
  EXPECT_EQ(bare, none);
}

}  // namespace
}  // namespace corvane
