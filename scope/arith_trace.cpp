#include "scope/arith_trace.h"

#include <algorithm>

namespace corvane {
namespace {

void zeroArithTrace(WaveformBlock& record) {
  for (int i = 0; i < kArrayLength; ++i) record.setArithTrace(i, 0);
}

}  // namespace

void ComputeArithmeticTrace(WaveformBlock& record, WindowState& state) {
  zeroArithTrace(record);
  const int mode = record.ArithMode();
  if (mode < 1 || mode > 5) return;
  // Positions are 16-bit in the record and rows in the window: differences fit easily in 64 bits.
  const int64_t p1 = state.ch1Position;
  const int64_t p2 = state.ch2Position;
  const int64_t d1 = p1 - record.Ch1Position();
  const int64_t d2 = p2 - record.Ch2Position();
  for (int i = 0; i < kPointCount; ++i) {
    const int64_t a = int64_t{record.Ch1Samples(i)} - 130 - d1;
    const int64_t b = int64_t{record.Ch2Samples(i)} - 130 - d2;
    int64_t m = 0;
    switch (mode) {
      case 1:
        m = a + b + 130;
        break;
      case 2:
        m = a - b + 130;
        break;
      case 3:
        m = b - a + 130;
        break;
      case 4:
        m = 130 - a;
        break;
      default:
        m = 130 - b;
        break;
    }
    record.setArithTrace(i, int32_t(std::clamp<int64_t>(m, INT32_MIN, INT32_MAX)));
  }
  int64_t position = 0;
  switch (mode) {
    case 1:
      position = p1 + p2 - 225;
      break;
    case 2:
      position = p1 - p2 + 225;
      break;
    case 3:
      position = p2 - p1 + 225;
      break;
    case 4:
      position = 450 - p1;
      break;
    default:
      position = 450 - p2;
      break;
  }
  position = std::clamp<int64_t>(position, 0, 65535);
  state.arithPosition = int(position);
  record.setArithPosition(uint16_t(position));
}

void ApplyArithmeticMode(WaveformBlock& record, WindowState& state, int mode) {
  switch (mode) {
    case 0:
      record.setCh1Hidden(0);
      record.setCh2Hidden(0);
      break;
    case 1:
    case 2:
    case 3:
      record.setCh1Hidden(1);
      record.setCh2Hidden(1);
      break;
    case 4:
      record.setCh1Hidden(1);
      record.setCh2Hidden(0);
      break;
    case 5:
      record.setCh1Hidden(0);
      record.setCh2Hidden(1);
      break;
    default:
      break;
  }
  record.setArithMode(uint8_t(mode));
  if (record.ArithMode() != 0) {
    ComputeArithmeticTrace(record, state);
  } else {
    zeroArithTrace(record);
  }
}

}  // namespace corvane
