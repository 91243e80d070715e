// Records and window states far outside their ranges draw without touching anything outside
// the record or the bitmap (the sanitizer build turns any such access into a failure).
#include <gtest/gtest.h>

#include <random>

#include "scope/cursor_readouts.h"
#include "scope/display_compose.h"
#include "scope/display_render.h"

namespace corvane {
namespace {

TEST(DisplayBadInput, ExtremeRecordsAndStatesDrawWithinTheBitmap) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> byte(0, 255);
  const int extremes[] = {INT32_MIN, -70000, -1, 0, 87, 255, 287, 325, 65535, INT32_MAX};
  for (int round = 0; round < 60; ++round) {
    WaveformBlock r;
    for (auto& b : r.bytes) b = uint8_t(byte(rng));
    if (round % 3 == 0) {
      for (int i = 0; i < kArrayLength; ++i) {
        r.setArithTrace(i, i % 2 ? INT32_MAX : INT32_MIN);
        r.setCh1Samples(i, 65535);
        r.setRecallSamples(i, uint16_t(i % 2 ? 0 : 65535));
      }
    }
    r.setPointStyle(uint8_t(round % 2));
    r.setXYFormat(uint8_t(round % 5 == 0));
    WindowState s;
    AcceptArrivingRecord(r, s);
    const int e = extremes[round % 10];
    s.triggerPosition = e;
    s.triggerLevel = extremes[(round + 3) % 10];
    s.ch1Position = extremes[(round + 5) % 10];
    s.arithPosition = extremes[(round + 7) % 10];
    s.displayCh1VoltDiv = e;
    s.displayTimeDiv = extremes[(round + 1) % 10];
    s.cursors = {CursorType(round % 5), e, e == INT32_MIN ? INT32_MAX : -e,
                 extremes[(round + 2) % 10], 0};
    s.grid = GridKind(round % 4);
    DisplayBitmap b;
    ComposeDisplay(b, r, s, DisplayColors{0xFFFFFFFF, 1, 2, 0xFF000000, 4, 5, 6});
    for (uint32_t p : b.pixels()) ASSERT_EQ(p & 0xFF000000u, 0u);
    const CursorReadouts out = UpdateCursorReadouts(r, s);
    EXPECT_FALSE(out.frequency.empty());
    EXPECT_FALSE(out.ch1VoltDelta.empty());
  }
}

TEST(DisplayBadInput, VoltsPerDivisionBeyondTheTableDrawsAsAcquired) {
  WaveformBlock good = MakeNewWindowRecord();
  WaveformBlock bad = good;
  bad.setCh1VoltDivIndex(200);
  bad.setTimeDivIndex(77);
  EXPECT_EQ(renderRecordPicture(bad, std::nullopt, CursorType::Pair),
            renderRecordPicture(good, std::nullopt, CursorType::Pair));
}

TEST(DisplayBadInput, TriggerPositionAbove255DrawsLike255) {
  WaveformBlock r = MakeNewWindowRecord();
  r.setTimeDivIndex(8);
  r.setTriggerPosition(255);
  const DisplayBitmap at255 = renderRecordPicture(r, std::nullopt, CursorType::None);
  r.setTriggerPosition(40000);
  EXPECT_EQ(renderRecordPicture(r, std::nullopt, CursorType::None), at255);
}

}  // namespace
}  // namespace corvane
