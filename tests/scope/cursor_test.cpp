#include <gtest/gtest.h>

#include "scope/cursor_conversions.h"
#include "scope/cursor_readouts.h"
#include "scope/display_render.h"

namespace corvane {
namespace {

TEST(CursorConversions, MarkerValuesAndPixels) {
  EXPECT_EQ(TriggerPositionToX(6), 12);
  EXPECT_EQ(TriggerPositionToX(131), 162);
  EXPECT_EQ(TriggerPositionToX(255), 311);
  EXPECT_EQ(TriggerPositionToX(0), 12);
  EXPECT_EQ(TriggerPositionToX(300), 312);
  EXPECT_EQ(TriggerPositionToX(-70000), 12);
  // A release beyond the right edge gives 255, beyond the left 6.
  EXPECT_EQ(XToTriggerPosition(400), 255);
  EXPECT_EQ(XToTriggerPosition(311), 255);
  EXPECT_EQ(XToTriggerPosition(-20), 6);
  EXPECT_EQ(XToTriggerPosition(12), 6);
  EXPECT_EQ(XToTriggerPosition(162), 131);
  EXPECT_EQ(XToTriggerPosition(14), 8);   // 7.5: halves go to the even neighbour
  EXPECT_EQ(XToTriggerPosition(32), 22);  // 22.5
  for (int v = 6; v <= 255; ++v) EXPECT_EQ(XToTriggerPosition(TriggerPositionToX(v)), v) << v;

  EXPECT_EQ(LevelToY(125), 10);
  EXPECT_EQ(LevelToY(225), 130);
  EXPECT_EQ(LevelToY(325), 249);     // the level marker stops at 249...
  EXPECT_EQ(PositionToY(325), 250);  // ...a tag at 250
  EXPECT_EQ(LevelToY(60000), 249);
  EXPECT_EQ(PositionToY(-5), 10);
  EXPECT_EQ(YToLevel(130), 225);
  EXPECT_EQ(YToLevel(10), 125);
  EXPECT_EQ(YToLevel(250), 325);
  EXPECT_EQ(YToLevel(-50), 75);  // not clamped
  EXPECT_EQ(YToLevel(13), 127);  // 2.5 -> 2
  EXPECT_EQ(YToLevel(16), 130);
  EXPECT_EQ(YToLevel(19), 133);  // 7.5 -> 8
}

WindowState windowAt(int timeDiv, int x1, int x2) {
  WindowState s;
  s.displayTimeDiv = timeDiv;
  s.cursors.x1 = x1;
  s.cursors.x2 = x2;
  return s;
}

TEST(CursorReadouts, TimeReadoutsAndFrequency) {
  const WaveformBlock r = MakeNewWindowRecord();
  CursorReadouts out = UpdateCursorReadouts(r, windowAt(8, 100, 200));  // 1 us, defaults
  EXPECT_EQ(out.time1, "-2.07us");
  EXPECT_EQ(out.time2, "1.27us");
  EXPECT_EQ(out.timeDelta, "3.33us");
  EXPECT_EQ(out.frequency, "300.00kHz");

  out = UpdateCursorReadouts(r, windowAt(8, 150, 150));
  EXPECT_EQ(out.timeDelta, "0.00us");
  EXPECT_EQ(out.frequency, "1.00Hz");
  EXPECT_EQ(out.time1, "-0.40us");

  out = UpdateCursorReadouts(r, windowAt(6, 100, 130));  // 0.25 us
  EXPECT_EQ(out.timeDelta, "0.25us");
  EXPECT_EQ(out.frequency, "4.00MHz");

  out = UpdateCursorReadouts(r, windowAt(0, 100, 200));  // 2 ns
  EXPECT_EQ(out.timeDelta, "6.67ns");
  EXPECT_EQ(out.frequency, "150.00MHz");
  out = UpdateCursorReadouts(r, windowAt(17, 200, 100));  // 1 ms
  EXPECT_EQ(out.time1, "1.27ms");
  EXPECT_EQ(out.timeDelta, "3.33ms");
  EXPECT_EQ(out.frequency, "300.00Hz");
  out = UpdateCursorReadouts(r, windowAt(28, 12, 312));  // 5 s: 50 s apart
  EXPECT_EQ(out.time1, "-25.00s");
  EXPECT_EQ(out.frequency, "0.02Hz");
}

TEST(CursorReadouts, VoltageReadoutsUseDisplayScaleAndProbe) {
  WaveformBlock r = MakeNewWindowRecord();
  r.setCh1Probe(1);
  r.setCh2Probe(1);
  WindowState s;
  s.displayCh1VoltDiv = 7;                          // 0.5 V
  s.displayCh2VoltDiv = 2;                          // 10 mV
  CursorReadouts out = UpdateCursorReadouts(r, s);  // Y1 50, Y2 150: 100 rows
  EXPECT_EQ(out.ch1VoltDelta, "16.67V");
  EXPECT_EQ(out.ch2VoltDelta, "333.33mV");  // x10 keeps the unit of the index
  r.setCh1Probe(0);
  r.setCh2Probe(9);  // no such probe: x1
  s.cursors.y1 = 180;
  s.cursors.y2 = 150;  // one division
  out = UpdateCursorReadouts(r, s);
  EXPECT_EQ(out.ch1VoltDelta, "0.50V");
  EXPECT_EQ(out.ch2VoltDelta, "10.00mV");
  // A display box without a selection has no scale.
  s.displayCh1VoltDiv = kNoSelection;
  s.displayTimeDiv = 29;
  out = UpdateCursorReadouts(r, s);
  EXPECT_EQ(out.ch1VoltDelta, "???");
  EXPECT_EQ(out.ch2VoltDelta, "10.00mV");
  EXPECT_EQ(out.timeDelta, "???");
  EXPECT_EQ(out.frequency, "???");
  EXPECT_EQ(out.time1, "???");
  EXPECT_EQ(out.time2, "???");
}

}  // namespace
}  // namespace corvane
