#include "scope/cursor_conversions.h"

#include <algorithm>

#include "analysis/value_tables.h"

namespace corvane {
namespace {

// Far outside any pointer position a window can report, so the arithmetic below stays exact.
constexpr int64_t kPointerLimit = 1 << 24;

int64_t levelRowOffset(int64_t v) {
  return roundHalfEven(1.2 * double(std::clamp<int64_t>(v, 125, 325) - 125));
}

}  // namespace

int64_t TriggerPositionToX(int64_t v) {
  const int64_t bounded = std::clamp<int64_t>(v, -kPointerLimit, kPointerLimit);
  return std::clamp<int64_t>(5 + roundHalfEven(1.2 * double(bounded)), 12, 312);
}

int XToTriggerPosition(int64_t x) {
  // (X - 5) x 250 / 300 is a multiple of 1/6; its halves are exact in binary, so the tie goes
  // to the even neighbour as intended (X = 14 gives 7.5 -> 8, X = 32 gives 22.5 -> 22).
  const double columns = double(std::clamp<int64_t>(x, 12, 311) - 5) * 250.0 / 300.0;
  return int(roundHalfEven(columns));
}

int LevelToY(int64_t v) {
  return int(std::clamp<int64_t>(10 + levelRowOffset(v), 10, 249));
}

int PositionToY(int64_t v) {
  return int(std::clamp<int64_t>(10 + levelRowOffset(v), 10, 250));
}

int YToLevel(int64_t y) {
  const int64_t bounded = std::clamp<int64_t>(y, -kPointerLimit, kPointerLimit);
  return int(125 + roundHalfEven(double(bounded - 10) * 200.0 / 240.0));
}

}  // namespace corvane
