// The arithmetic trace a scope window derives from its two channels.
#pragma once

#include "analysis/waveform_block.h"
#include "scope/window_state.h"

namespace corvane {

// Zeroes all 1004 entries of `ArithTrace`, then for mode 1..5 fills entries 0..499 from the
// samples and the window's CH1 and CH2 positions and sets the arithmetic position (window and
// `ArithPosition` alike). Any other mode leaves the array zero and the position unchanged.
// A position outside 0..65535 is clamped into it before it is stored, so the record's 16-bit
// field and the window always agree.
void ComputeArithmeticTrace(WaveformBlock& record, WindowState& state);

// The record side of choosing an arithmetic mode from the Math menu: the channels' hidden flags
// (0: both shown; 1..3: both hidden; 4: CH1 hidden; 5: CH2 hidden; others: unchanged), the mode
// byte, then the trace computed (mode non-zero) or zeroed. The window then measures and redraws.
void ApplyArithmeticMode(WaveformBlock& record, WindowState& state, int mode);

}  // namespace corvane
