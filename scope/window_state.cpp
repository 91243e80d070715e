#include "scope/window_state.h"

#include <algorithm>

#include "analysis/value_tables.h"
#include "scope/arith_trace.h"

namespace corvane {
namespace {

int selectionFor(int index, int count) {
  return index >= 0 && index < count ? index : kNoSelection;
}

}  // namespace

std::optional<GridKind> gridKindFromRecord(uint8_t recordGrid) {
  switch (recordGrid) {
    case 0:
      return GridKind::Full;
    case 1:
      return GridKind::Cross;
    case 2:
      return GridKind::Board;
    default:
      return std::nullopt;
  }
}

void AcceptArrivingRecord(WaveformBlock& record, WindowState& state) {
  if (auto grid = gridKindFromRecord(record.GridKind())) state.grid = *grid;
  state.ch1Position = record.Ch1Position();
  state.ch2Position = record.Ch2Position();
  state.triggerPosition = std::min<int>(record.TriggerPosition(), kMaxTriggerPosition);
  state.triggerLevel = record.TriggerSource() == 2 ? extTriggerLevelToRow(record.TriggerLevel())
                                                   : int(record.TriggerLevel());
  state.displayCh1VoltDiv = selectionFor(record.Ch1VoltDivIndex(), kVoltDivCount);
  state.displayCh2VoltDiv = selectionFor(record.Ch2VoltDivIndex(), kVoltDivCount);
  state.displayTimeDiv = selectionFor(record.TimeDivIndex(), kTimeDivCount);
  // Computing zeroes the array first, and does nothing more for mode 0.
  ComputeArithmeticTrace(record, state);
  record.setArithShown(1);
}

}  // namespace corvane
