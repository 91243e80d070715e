// Records for the measurement benchmarks: noisy 1 kHz square waves on CH1 and sines on CH2 at
// 0.5 ms/div, each with its own noise, so no two hand-overs measure alike.
#pragma once

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "analysis/waveform_block.h"

namespace corvane::bench {

inline std::vector<WaveformBlock> noisyWaveforms(int n, unsigned seed) {
  std::vector<WaveformBlock> out(static_cast<std::size_t>(n));
  std::mt19937 rng(seed);
  std::normal_distribution<double> noise(0.0, 1.5);
  for (WaveformBlock& b : out) {
    b.setTimeDivIndex(15);
    b.setCh1VoltDivIndex(7);
    b.setCh2VoltDivIndex(7);
    b.setCh1Position(175);
    b.setCh2Position(275);
    for (int i = 0; i < kPointCount; ++i) {
      const bool high = (i / 125) % 2 == 0;
      b.setCh1Samples(i, uint16_t(std::lround(177 + (high ? 50 : 0) + noise(rng))));
      b.setCh2Samples(i, uint16_t(std::lround(77 + 40 * std::sin(i * 0.0628) + noise(rng))));
    }
  }
  return out;
}

}  // namespace corvane::bench
