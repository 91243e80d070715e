#include "storage/measurement_log.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>

namespace corvane {
namespace {

// Rows 1.5 s and 2.25 s after a start at 2023-11-14 22:13:20.123 UTC.
LogClock fixedClock() {
  return [n = 0]() mutable {
    const std::chrono::milliseconds at{n++ == 0 ? 0 : 750 * n};
    return LogTime{std::chrono::system_clock::time_point(at + std::chrono::seconds(1700000000)) +
                       std::chrono::milliseconds(123),
                   std::chrono::steady_clock::time_point(at)};
  };
}

// 0.5 V/div, 1 V/div with a x10 probe, 1 ms/div; CH2 has a peak-to-peak and a rise only.
MeasuredWaveform waveform() {
  MeasuredWaveform w{{7, 8, 17}, {0, 1}, {}};
  const double ch1[] = {2.0, 1.0, 0.0, 250.0, 2e-5, 2e-5, 0.004, 0.002, 0.002};
  std::copy(std::begin(ch1), std::end(ch1), w.values.begin());
  w.values[9] = 0.08;
  w.values[13] = 4e-11;
  return w;
}

std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(MeasurementLog, WritesTheHeaderAndOneRowPerHandOver) {
  ::setenv("TZ", "<+0530>-05:30", 1);
  ::tzset();
  const std::string file = ::testing::TempDir() + "corvane-log.csv";
  MeasurementLog log(fixedClock());
  ASSERT_TRUE(log.start(file));
  ASSERT_TRUE(log.append(1, waveform()));
  MeasuredWaveform second = waveform();
  second.scales.ch2VoltDivIndex = 40;  // outside the table
  second.values.fill(std::nullopt);
  second.values[2] = -0.0125;
  second.values[3] = 1234567.891234567;
  ASSERT_TRUE(log.append(7, second));
  EXPECT_EQ(log.rows(), 2);
  ASSERT_TRUE(log.stop());
  EXPECT_EQ(readAll(file),
            "Local time,Seconds since start (s),Waveform,CH1 Volts/div (V),CH2 Volts/div (V),"
            "Time/div (s),CH1 Peak-to-peak (V),CH1 RMS (V),CH1 Mean (V),CH1 Frequency (Hz),"
            "CH1 Rise time (s),CH1 Fall time (s),CH1 Period (s),CH1 Positive width (s),"
            "CH1 Negative width (s),CH2 Peak-to-peak (V),CH2 RMS (V),CH2 Mean (V),"
            "CH2 Frequency (Hz),CH2 Rise time (s),CH2 Fall time (s),CH2 Period (s),"
            "CH2 Positive width (s),CH2 Negative width (s)\n"
            "2023-11-15T03:43:21.623+05:30,1.500,1,0.5,10,0.001,2,1,0,250,0.00002,0.00002,0.004,"
            "0.002,0.002,0.08,,,,0.00000000004,,,,\n"
            "2023-11-15T03:43:22.373+05:30,2.250,7,0.5,,0.001,,,-0.0125,1234567.89123,,,,,,,,,,,,,"
            ",\n");
  ::unsetenv("TZ");
  ::remove(file.c_str());
}

TEST(MeasurementLog, AFullFileSystemStopsTheLogAndKeepsEveryRowBeforeIt) {
  MeasurementLog full(fixedClock());
  EXPECT_EQ(full.start("/dev/full").message,
            "Cannot access file \"/dev/full\". No space left on device");
  EXPECT_FALSE(full.running());

  // A file that reaches its size limit in the middle of the third row.
  const std::string file = ::testing::TempDir() + "corvane-full.csv";
  MeasurementLog log(fixedClock());
  ASSERT_TRUE(log.start(file));
  ASSERT_TRUE(log.append(1, waveform()));
  ASSERT_TRUE(log.append(2, waveform()));
  const std::string kept = readAll(file);
  struct rlimit old {};
  ::getrlimit(RLIMIT_FSIZE, &old);
  struct rlimit small = old;
  small.rlim_cur = kept.size() + 40;
  auto previous = ::signal(SIGXFSZ, SIG_IGN);
  ::setrlimit(RLIMIT_FSIZE, &small);
  FileStatus s = log.append(3, waveform());
  ::setrlimit(RLIMIT_FSIZE, &old);
  ::signal(SIGXFSZ, previous);
  EXPECT_EQ(s.message, "Cannot access file \"" + file + "\". File too large");
  EXPECT_FALSE(log.running());
  EXPECT_FALSE(log.append(4, waveform()));
  EXPECT_EQ(log.rows(), 2);
  EXPECT_EQ(readAll(file), kept);
  ::remove(file.c_str());
}

}  // namespace
}  // namespace corvane
