// Records shared by the display tests and the display benchmark.
#pragma once

#include <cmath>

#include "analysis/waveform_block.h"
#include "scope/display_render.h"

namespace corvane::testing {

// Everything on at once: CH1 a sine, CH2 a square wave, vectors style, CH1 + CH2 arithmetic
// shown, a recall trace with every third point invalid, the go/no-go envelope, CH1 trigger.
inline WaveformBlock MakeBusyRecord() {
  WaveformBlock r = MakeNewWindowRecord();
  r.setCh1Position(200);
  r.setCh2Position(270);
  for (int i = 0; i < kPointCount; ++i) {
    r.setCh1Samples(i, uint16_t(152 + std::lround(60 * std::sin(i * 2 * M_PI / 125.0))));
    r.setCh2Samples(i, uint16_t((i / 50) % 2 == 0 ? 70 : 110));
    r.setRecallSamples(i, uint16_t(127 + std::lround(40 * std::cos(i * 2 * M_PI / 250.0))));
    r.setRecallValid(i, i % 3 == 2 ? 0 : 1);
    r.setLimitUpper(i, 215);
    r.setLimitLower(i, 40);
  }
  r.setTimeDivIndex(8);  // 1 us
  r.setCh1VoltDivIndex(7);
  r.setCh2VoltDivIndex(5);
  r.setTriggerPosition(131);
  r.setTriggerLevel(190);
  r.setTriggerSource(0);
  r.setPointStyle(1);
  r.setArithMode(1);
  r.setRecallShown(1);
  r.setLimitsHidden(0);
  r.setGridKind(0);
  return r;
}

}  // namespace corvane::testing
