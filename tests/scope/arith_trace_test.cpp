#include "scope/arith_trace.h"

#include <gtest/gtest.h>

#include "scope/display_render.h"

namespace corvane {
namespace {

// s1 = 150 at record position 180, window 200 (d1 = 20); s2 = 100 at 260, window 250 (d2 = -10).
struct Case {
  int mode;
  int32_t value;
  int position;
};

TEST(ComputeArithmeticTrace, FiveModesWithTheirPositions) {
  const Case cases[] = {{1, 110, 225}, {2, 150, 175}, {3, 110, 275}, {4, 130, 250}, {5, 150, 200}};
  for (const Case& c : cases) {
    WaveformBlock r;
    for (int i = 0; i < kPointCount; ++i) {
      r.setCh1Samples(i, 150);
      r.setCh2Samples(i, 100);
    }
    for (int i = 0; i < kArrayLength; ++i) r.setArithTrace(i, 77);
    r.setCh1Position(180);
    r.setCh2Position(260);
    r.setArithMode(uint8_t(c.mode));
    WindowState s;
    s.ch1Position = 200;
    s.ch2Position = 250;
    ComputeArithmeticTrace(r, s);
    EXPECT_EQ(r.ArithTrace(0), c.value) << c.mode;
    EXPECT_EQ(r.ArithTrace(499), c.value) << c.mode;
    EXPECT_EQ(r.ArithTrace(500), 0) << c.mode;
    EXPECT_EQ(r.ArithTrace(1003), 0) << c.mode;
    EXPECT_EQ(s.arithPosition, c.position) << c.mode;
    EXPECT_EQ(r.ArithPosition(), c.position) << c.mode;
  }
}

TEST(ComputeArithmeticTrace, FlatChannelsAtTheCentreGive124) {
  WaveformBlock r;
  for (int i = 0; i < kPointCount; ++i) {
    r.setCh1Samples(i, 127);
    r.setCh2Samples(i, 127);
  }
  r.setCh1Position(225);
  r.setCh2Position(225);
  r.setArithMode(1);
  WindowState s;
  s.ch1Position = 225;
  s.ch2Position = 225;
  ComputeArithmeticTrace(r, s);
  EXPECT_EQ(r.ArithTrace(250), 124);
  EXPECT_EQ(r.ArithPosition(), 225);
  EXPECT_EQ(r.bytes[6028], 124);
}

TEST(ComputeArithmeticTrace, UnknownModeZeroesAndKeepsThePosition) {
  WaveformBlock r;
  r.setArithMode(6);
  r.setArithTrace(3, 5);
  r.setArithPosition(111);
  WindowState s;
  s.arithPosition = 222;
  ComputeArithmeticTrace(r, s);
  EXPECT_EQ(r.ArithTrace(3), 0);
  EXPECT_EQ(s.arithPosition, 222);
  EXPECT_EQ(r.ArithPosition(), 111);
}

TEST(ComputeArithmeticTrace, PositionsBeyondSixteenBitsAreClampedAlike) {
  WaveformBlock r;
  r.setArithMode(1);
  r.setCh1Position(60000);
  r.setCh2Position(60000);
  WindowState s;
  s.ch1Position = 60000;
  s.ch2Position = 60000;
  ComputeArithmeticTrace(r, s);
  EXPECT_EQ(s.arithPosition, 65535);
  EXPECT_EQ(r.ArithPosition(), 65535);
  r.setArithMode(2);
  s.ch1Position = 100;
  ComputeArithmeticTrace(r, s);  // 100 - 60000 + 225 < 0
  EXPECT_EQ(s.arithPosition, 0);
  EXPECT_EQ(r.ArithPosition(), 0);
}

TEST(ApplyArithmeticMode, SetsHiddenFlagsModeAndTrace) {
  WaveformBlock r = MakeNewWindowRecord();
  WindowState s;
  AcceptArrivingRecord(r, s);
  ApplyArithmeticMode(r, s, 1);
  EXPECT_EQ(r.Ch1Hidden(), 1);
  EXPECT_EQ(r.Ch2Hidden(), 1);
  EXPECT_EQ(r.ArithMode(), 1);
  EXPECT_EQ(r.ArithTrace(0), 124);  // (177 - 130) + (77 - 130) + 130
  EXPECT_EQ(s.arithPosition, 225);  // 175 + 275 - 225
  ApplyArithmeticMode(r, s, 4);
  EXPECT_EQ(r.Ch1Hidden(), 1);
  EXPECT_EQ(r.Ch2Hidden(), 0);
  EXPECT_EQ(r.ArithTrace(0), 83);
  ApplyArithmeticMode(r, s, 5);
  EXPECT_EQ(r.Ch1Hidden(), 0);
  EXPECT_EQ(r.Ch2Hidden(), 1);
  ApplyArithmeticMode(r, s, 7);  // flags unchanged, trace zero
  EXPECT_EQ(r.Ch1Hidden(), 0);
  EXPECT_EQ(r.Ch2Hidden(), 1);
  EXPECT_EQ(r.ArithTrace(0), 0);
  ApplyArithmeticMode(r, s, 0);
  EXPECT_EQ(r.Ch1Hidden(), 0);
  EXPECT_EQ(r.Ch2Hidden(), 0);
  EXPECT_EQ(r.ArithMode(), 0);
  EXPECT_EQ(r.ArithTrace(0), 0);
}

}  // namespace
}  // namespace corvane
