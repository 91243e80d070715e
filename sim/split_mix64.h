// Small seeded generator for the simulator's noise and free-running phases. Written out rather
// than taken from <random> so that a seed gives the same waveforms under every standard library.
#pragma once

#include <cstdint>

namespace corvane::sim {

class SplitMix64 {
 public:
  explicit SplitMix64(uint64_t seed) : state_(seed) {}

  uint64_t next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in [0, 1).
  double uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
  // Roughly normal with mean 0 and standard deviation 1 (Irwin-Hall sum of four uniforms).
  double gaussian() {
    double sum = uniform() + uniform() + uniform() + uniform();
    return (sum - 2.0) * 1.7320508075688772;  // sqrt(12 / 4)
  }

 private:
  uint64_t state_;
};

}  // namespace corvane::sim
