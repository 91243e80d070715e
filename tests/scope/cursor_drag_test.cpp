#include "scope/cursor_drag.h"

#include <gtest/gtest.h>

#include "scope/display_compose.h"
#include "scope/display_render.h"

namespace corvane {
namespace {

constexpr uint32_t kRed = 0x0000FF;
constexpr uint32_t kYellow = 0x00FFFF;

struct Window {
  WaveformBlock record = MakeNewWindowRecord();
  WindowState state;
  DisplayBitmap bitmap;
  DisplayBitmap display;
  DisplayColors colors;
  CursorDrag drag;
  Window() {
    AcceptArrivingRecord(record, state);
    ComposeDisplay(bitmap, record, state, colors);
  }
  DragStep down(int x, int y) { return drag.mouseDown(x, y, record, state, bitmap, colors); }
  DragStep move(int x, int y) {
    return drag.mouseMove(x, y, record, state, bitmap, display, colors);
  }
  DragStep up(int x, int y) { return drag.mouseUp(x, y, state); }
};

TEST(CursorDrag, TriggerPositionReleaseBeyondTheEdgesSends255And6) {
  Window w;
  w.state.triggerPosition = 131;  // marker at column 162
  w.down(165, 4);
  ASSERT_TRUE(w.drag.dragging());
  EXPECT_EQ(w.drag.target(), DragTarget::TriggerPosition);
  DragStep step = w.move(600, 4);
  EXPECT_TRUE(step.showBitmap);
  EXPECT_EQ(w.state.triggerPosition, 131);  // unchanged until release
  EXPECT_EQ(w.bitmap.pixel(311, 8), kRed);
  EXPECT_EQ(w.bitmap.pixel(162, 8), 0u);
  step = w.up(600, 4);
  EXPECT_TRUE(step.redraw);
  EXPECT_EQ(step.send, (MarkerSend{43, 3, 255}));
  EXPECT_EQ(w.state.triggerPosition, 255);
  EXPECT_FALSE(w.drag.dragging());

  w.down(311, 9);
  EXPECT_EQ(w.up(-40, 300).send, (MarkerSend{43, 3, 6}));
  w.down(316, 5);  // 5 columns off the marker at 311: nothing
  EXPECT_FALSE(w.drag.dragging());
  w.down(311, 10);  // below the top strip
  EXPECT_FALSE(w.drag.dragging());
  EXPECT_FALSE(w.up(0, 0).redraw);
}

TEST(CursorDrag, TriggerLevelCanBeDraggedUndrawnAndIsSentUnclamped) {
  Window w;
  w.record.setTriggerSource(2);  // EXT: no marker drawn
  w.down(315, 132);              // level 225 at row 130
  ASSERT_EQ(w.drag.target(), DragTarget::TriggerLevel);
  const DisplayBitmap before = w.bitmap;
  w.move(315, 40);
  EXPECT_EQ(w.bitmap, before);  // only the position marker redrawn, at the same place
  EXPECT_EQ(w.up(315, -50).send, (MarkerSend{93, 4, 75}));
  EXPECT_EQ(w.state.triggerLevel, 75);

  Window ch1;
  ch1.down(313, 127);
  ch1.move(313, 70);
  EXPECT_EQ(ch1.bitmap.pixel(312, 70), kYellow);
  EXPECT_EQ(ch1.bitmap.pixel(312, 130), 0u);
  EXPECT_EQ(ch1.up(313, 70).send, (MarkerSend{93, 4, 175}));
}

TEST(CursorDrag, TagsWinOverCursorsAndHiddenTagsCanBeGrabbed) {
  Window w;
  w.state.cursors = {CursorType::Pair, 14, 200, 70, 150};  // point 1 right under the "1" tag
  w.down(15, 72);
  EXPECT_EQ(w.drag.target(), DragTarget::Ch1Tag);
  DragStep step = w.move(5, 130);
  EXPECT_TRUE(step.showBitmap);
  EXPECT_EQ(w.state.ch1Position, 225);
  EXPECT_EQ(w.bitmap.pixel(4, 125), w.colors.ch1);  // the tag moved, from row 125
  EXPECT_EQ(w.bitmap.pixel(4, 65), 0u);
  EXPECT_EQ(w.up(5, 130).send, (MarkerSend{8, 1, 225}));

  w.record.setCh2Hidden(1);
  w.down(2, 195);  // the undrawn "2" at row 190
  EXPECT_EQ(w.drag.target(), DragTarget::Ch2Tag);
  EXPECT_EQ(w.up(2, 195).send, (MarkerSend{28, 2, 275}));

  w.state.arithPosition = 275;  // "M" at the same row as "2": the later test wins
  w.down(2, 190);
  EXPECT_EQ(w.drag.target(), DragTarget::ArithTag);
  w.move(2, -50);
  EXPECT_EQ(w.up(2, -50).send, (MarkerSend{27, 0, 75}));
  w.down(18, 190);  // tags only left of column 18
  EXPECT_FALSE(w.drag.dragging());
}

TEST(CursorDrag, TimeCursorsGrabTheLaterOneAndStayInTheDataArea) {
  Window w;
  w.state.cursors = {CursorType::Time, 100, 103, 50, 150};
  ComposeDisplay(w.bitmap, w.record, w.state, w.colors);
  ASSERT_EQ(w.bitmap.pixel(100, 120), w.colors.cursor);
  w.down(101, 120);  // within 2 columns of both
  ASSERT_EQ(w.drag.target(), DragTarget::Cursor);
  EXPECT_EQ(w.drag.grabbedCursor(), 1);
  EXPECT_EQ(w.bitmap.pixel(100, 120), 0u);  // recomposed without cursors
  DragStep step = w.move(400, 20);
  EXPECT_TRUE(step.showDisplay);
  EXPECT_TRUE(step.updateReadouts);
  EXPECT_EQ(w.state.cursors.x2, 312);
  EXPECT_EQ(w.state.cursors.y2, 150);  // a time cursor keeps its row
  EXPECT_EQ(w.display.pixel(312, 120), w.colors.cursor);
  EXPECT_EQ(w.display.pixel(100, 120), w.colors.cursor);
  EXPECT_EQ(w.bitmap.pixel(312, 120), 0u);
  step = w.up(400, 20);
  EXPECT_TRUE(step.redraw);
  EXPECT_FALSE(step.send.has_value());

  w.down(104, 120);  // 4 columns from 100: no grab
  EXPECT_FALSE(w.drag.dragging());
  w.state.cursors.type = CursorType::None;
  w.down(100, 120);
  EXPECT_FALSE(w.drag.dragging());
}

TEST(CursorDrag, PairPointsNeedBothCoordinatesWithinTwoPixels) {
  Window w;
  w.state.cursors = {CursorType::Pair, 100, 200, 50, 150};
  w.down(103, 50);
  EXPECT_FALSE(w.drag.dragging());
  w.down(102, 53);
  EXPECT_FALSE(w.drag.dragging());
  w.down(102, 48);
  ASSERT_TRUE(w.drag.dragging());
  EXPECT_EQ(w.drag.grabbedCursor(), 0);
  w.move(150, -20);
  EXPECT_EQ(w.state.cursors.x1, 150);
  EXPECT_EQ(w.state.cursors.y1, 10);
  w.up(150, -20);

  w.state.cursors.type = CursorType::Voltage;
  w.down(30, 151);
  ASSERT_TRUE(w.drag.dragging());
  w.move(290, 300);
  EXPECT_EQ(w.state.cursors.y2, 250);
  EXPECT_EQ(w.state.cursors.x2, 200);
}

// The keyboard's handles: each pixel grabs its own handle, only drawn handles count, and one that
// another covers at every pixel (a tag under a later tag) is left out.
TEST(CursorDrag, HandlesAreWhatAPressAtTheirPixelGrabs) {
  Window w;
  w.state.cursors.type = CursorType::Pair;
  w.state.cursors.x1 = 14;  // point 1 within the tags' columns, away from their rows
  std::vector<DragHandle> handles = DragHandles(w.record, w.state);
  std::vector<DragPick> picks;
  for (const DragHandle& h : handles) {
    picks.push_back(h.pick);
    w.down(h.x, h.y);
    EXPECT_TRUE(w.drag.dragging());
    EXPECT_EQ(PickDragTarget(h.x, h.y, w.state), h.pick);
    w.up(h.x, h.y);
  }
  EXPECT_EQ(picks, (std::vector<DragPick>{{DragTarget::TriggerPosition},
                                          {DragTarget::TriggerLevel},
                                          {DragTarget::Ch1Tag},
                                          {DragTarget::Ch2Tag},
                                          {DragTarget::Cursor, 0},
                                          {DragTarget::Cursor, 1}}));
  EXPECT_EQ(handles[4].x, 14);
  EXPECT_EQ(handles[4].y, 50);

  w.state.ch1Position = w.state.ch2Position;  // "2" over "1" at every row
  w.record.setTriggerSource(2);               // EXT: the level marker is not drawn
  w.state.cursors.type = CursorType::None;
  handles = DragHandles(w.record, w.state);
  ASSERT_EQ(handles.size(), 2u);
  EXPECT_EQ(handles[1].pick.target, DragTarget::Ch2Tag);
  EXPECT_TRUE(handles[1].vertical && !handles[1].horizontal);
}

}  // namespace
}  // namespace corvane
