// The signals wired to the simulated inputs, as voltages at the probe tips: CH1 is the probe-
// compensation output (1 kHz square, 0 V to 2 V, 1 us edges), CH2 a 2 kHz sine of 0.8 V amplitude
// around +0.5 V. Both repeat every millisecond, so one period holds every trigger phase.
#pragma once

namespace corvane::sim {

class SignalSource {
 public:
  static constexpr double kCommonPeriod = 1e-3;  // seconds; the line period, 20 ms, is a multiple
  static constexpr double kSquareFrequency = 1000.0;
  static constexpr double kSquareHigh = 2.0;
  static constexpr double kSquareEdge = 1e-6;
  static constexpr double kSineFrequency = 2000.0;
  static constexpr double kSineOffset = 0.5;
  static constexpr double kSineAmplitude = 0.8;

  // Volts at the tip of channel ch (0 = CH1, 1 = CH2) at time t (seconds).
  static double volts(int ch, double t);
  // The signal's average over its period, which AC coupling removes.
  static double meanVolts(int ch);
  static double minVolts(int ch);
  static double maxVolts(int ch);
  // Volts as the input stage passes them: coupling 0 AC, 1 DC, 2 GND.
  static double coupledVolts(int ch, int coupling, double t);
};

}  // namespace corvane::sim
