#include <gtest/gtest.h>

#include "scope/display_compose.h"
#include "scope/display_render.h"
#include "scope/window_state.h"

namespace corvane {
namespace {

TEST(AcceptArrivingRecord, GridKindFromTheRecord) {
  const std::pair<uint8_t, GridKind> mapping[] = {
      {0, GridKind::Full}, {1, GridKind::Cross}, {2, GridKind::Board}};
  for (auto [byte, kind] : mapping) {
    WaveformBlock r = MakeNewWindowRecord();
    r.setGridKind(byte);
    WindowState s;
    s.grid = GridKind::Cross == kind ? GridKind::Board : GridKind::Cross;
    AcceptArrivingRecord(r, s);
    EXPECT_EQ(s.grid, kind) << int(byte);
  }
  WaveformBlock r = MakeNewWindowRecord();
  r.setGridKind(3);
  WindowState s;
  s.grid = GridKind::Cross;
  AcceptArrivingRecord(r, s);
  EXPECT_EQ(s.grid, GridKind::Cross);
}

TEST(AcceptArrivingRecord, PositionsAndLevelsReplaceEarlierDrags) {
  WaveformBlock r = MakeNewWindowRecord();
  r.setCh1Position(190);
  r.setCh2Position(260);
  r.setTriggerPosition(100);
  r.setTriggerLevel(180);
  WindowState s;
  s.ch1Position = 5;
  s.triggerLevel = 999;
  s.cursors = {CursorType::Pair, 20, 30, 40, 60};
  AcceptArrivingRecord(r, s);
  EXPECT_EQ(s.ch1Position, 190);
  EXPECT_EQ(s.ch2Position, 260);
  EXPECT_EQ(s.triggerPosition, 100);
  EXPECT_EQ(s.triggerLevel, 180);
  EXPECT_EQ(s.cursors, (CursorState{CursorType::Pair, 20, 30, 40, 60}));  // survive arrivals
}

TEST(AcceptArrivingRecord, ExtLevelMapsOntoRowsAndTheRecordKeepsIt) {
  const std::pair<uint16_t, int> levels[] = {{0, 125}, {500, 225}, {1000, 325}, {3, 126}};
  for (auto [level, row] : levels) {
    WaveformBlock r = MakeNewWindowRecord();
    r.setTriggerSource(2);
    r.setTriggerLevel(level);
    WindowState s;
    AcceptArrivingRecord(r, s);
    EXPECT_EQ(s.triggerLevel, row) << level;
    EXPECT_EQ(r.TriggerLevel(), level);
  }
  WaveformBlock line = MakeNewWindowRecord();
  line.setTriggerSource(3);
  line.setTriggerLevel(300);
  WindowState s;
  AcceptArrivingRecord(line, s);
  EXPECT_EQ(s.triggerLevel, 300);
}

TEST(AcceptArrivingRecord, DisplayScalesStartAtTheAcquisition) {
  WaveformBlock r = MakeNewWindowRecord();
  r.setCh1VoltDivIndex(7);
  r.setCh2VoltDivIndex(10);
  r.setTimeDivIndex(17);
  WindowState s;
  AcceptArrivingRecord(r, s);
  EXPECT_EQ(s.displayCh1VoltDiv, 7);
  EXPECT_EQ(s.displayCh2VoltDiv, 10);
  EXPECT_EQ(s.displayTimeDiv, 17);
  const DisplayScale scale = ComputeDisplayScale(r, s);
  EXPECT_EQ(scale.kV1, 1.0);
  EXPECT_EQ(scale.kT, 1.0);
}

TEST(AcceptArrivingRecord, ArithmeticTraceComputedOrZeroedAndShown) {
  WaveformBlock r = MakeNewWindowRecord();
  for (int i = 0; i < kArrayLength; ++i) r.setArithTrace(i, -9);
  r.setArithShown(0);
  WindowState s;
  AcceptArrivingRecord(r, s);
  EXPECT_EQ(r.ArithTrace(0), 0);
  EXPECT_EQ(r.ArithTrace(1003), 0);
  EXPECT_EQ(r.ArithShown(), 1);
  r.setArithMode(3);
  AcceptArrivingRecord(r, s);
  EXPECT_EQ(r.ArithTrace(10), 30);  // (77 - 130) - (177 - 130) + 130
  EXPECT_EQ(s.arithPosition, 325);  // 275 - 175 + 225
  EXPECT_EQ(r.ArithPosition(), 325);
}

// Values outside the tables: clamped or left unselected on arrival, never read out of bounds.
TEST(AcceptArrivingRecord, OutOfTableValuesAreClampedOrUnselected) {
  WaveformBlock r = MakeNewWindowRecord();
  r.setCh1VoltDivIndex(11);
  r.setCh2VoltDivIndex(255);
  r.setTimeDivIndex(29);
  r.setTriggerPosition(65535);
  WindowState s;
  AcceptArrivingRecord(r, s);
  EXPECT_EQ(s.displayCh1VoltDiv, kNoSelection);
  EXPECT_EQ(s.displayCh2VoltDiv, kNoSelection);
  EXPECT_EQ(s.displayTimeDiv, kNoSelection);
  EXPECT_EQ(s.triggerPosition, 255);
  EXPECT_EQ(r.TriggerPosition(), 65535);  // the record itself is kept as it came
  DisplayScale scale = ComputeDisplayScale(r, s);
  EXPECT_EQ(scale.kV1, 1.0);
  EXPECT_EQ(scale.kV2, 1.0);
  EXPECT_EQ(scale.kT, 1.0);
  EXPECT_EQ(scale.expansionCentre, 498);
  // The operator picks a scale although the acquisition's is unknown: still drawn as acquired.
  s.displayCh1VoltDiv = 3;
  s.displayTimeDiv = 2;
  scale = ComputeDisplayScale(r, s);
  EXPECT_EQ(scale.kV1, 1.0);
  EXPECT_EQ(scale.kT, 1.0);
  // A display time base slower than the acquisition is never offered; it would compress.
  r.setTimeDivIndex(8);
  s.displayTimeDiv = 12;
  EXPECT_EQ(ComputeDisplayScale(r, s).kT, 1.0);
  s.triggerPosition = -7;
  EXPECT_EQ(ComputeDisplayScale(r, s).expansionCentre, 0);
  s.triggerPosition = 1 << 30;
  EXPECT_EQ(ComputeDisplayScale(r, s).expansionCentre, 498);
}

TEST(RenderRecordPicture, DefaultsOfANewWindow) {
  WaveformBlock r = MakeNewWindowRecord();
  r.setGridKind(2);  // board
  const DisplayBitmap fromRecord = renderRecordPicture(r, std::nullopt, CursorType::None);
  EXPECT_EQ(fromRecord.pixel(162, 100), 0u);
  const DisplayBitmap full = renderRecordPicture(r, GridKind::Full, CursorType::None);
  EXPECT_EQ(full.pixel(162, 100), 0x777777u);
  r.setGridKind(9);  // no grid: the FULL grid of the window's own first record stays
  EXPECT_EQ(renderRecordPicture(r, std::nullopt, CursorType::None), full);
  const DisplayBitmap pair = renderRecordPicture(r, std::nullopt, CursorType::Pair);
  EXPECT_EQ(pair.pixel(100, 50), 0u);  // inverse of the white cursor inside the square
  EXPECT_EQ(pair.pixel(98, 48), 0xFFFFFFu);
  EXPECT_EQ(pair.pixel(200, 120), 0xFFFFFFu);
  EXPECT_EQ(parseGridKindName("cross"), GridKind::Cross);
  EXPECT_EQ(parseGridKindName("Cross"), std::nullopt);
  EXPECT_EQ(parseCursorTypeName("voltage"), CursorType::Voltage);
  EXPECT_EQ(parseCursorTypeName(""), std::nullopt);
}

}  // namespace
}  // namespace corvane
