// The measurement log: a CSV file with one row per handed-over waveform, the 18 measurement values
// in SI units beside the time and the scales they were taken at.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "analysis/measurement_statistics.h"
#include "storage/data_file.h"

namespace corvane {

// The moment of one row: the wall clock for the time column, a steady clock for the seconds since
// the log started (a clock adjustment during a long run never makes them jump).
struct LogTime {
  std::chrono::system_clock::time_point wall;
  std::chrono::steady_clock::time_point steady;
};
using LogClock = std::function<LogTime()>;
LogTime systemLogTime();

// The header row, ending in a line feed.
std::string measurementLogHeader();

// One row: local time with milliseconds and UTC offset, seconds since `start`, the number, volts
// per division (probe included) and time per division, the 18 values; empty cells where there is
// no value. Ends in a line feed.
std::string measurementLogRow(const LogTime& now, const LogTime& start, int64_t waveformNumber,
                              const MeasuredWaveform& w);

// A number without exponent to 12 significant digits, trailing zeros dropped: "0.00000002",
// "250", "-0.0125".
std::string plainNumber(double v);

class MeasurementLog {
 public:
  explicit MeasurementLog(LogClock clock = systemLogTime) : clock_(std::move(clock)) {}
  ~MeasurementLog() { stop(); }
  MeasurementLog(const MeasurementLog&) = delete;
  MeasurementLog& operator=(const MeasurementLog&) = delete;

  // Creates or empties `path` and writes the header; the seconds count from here. A log that
  // runs is stopped first. A FIFO without a reader is refused rather than waited for.
  FileStatus start(const std::string& path);
  // Writes the row of one hand-over straight to the file. A failure stops the log with the
  // platform's error; every row before it stays in the file whole (a partly written row is cut
  // off again where the file allows it).
  FileStatus append(int64_t waveformNumber, const MeasuredWaveform& w);
  // Closes the file; the status of the close.
  FileStatus stop();

  bool running() const { return fd_ >= 0; }
  const std::string& path() const { return path_; }
  int64_t rows() const { return rows_; }  // rows written since start()

 private:
  FileStatus write(const std::string& text);

  LogClock clock_;
  int fd_ = -1;
  std::string path_;
  LogTime start_{};
  int64_t rows_ = 0;
  int64_t size_ = 0;  // bytes of complete rows
};

}  // namespace corvane
