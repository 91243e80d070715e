#include "storage/measurement_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "analysis/value_tables.h"

namespace corvane {
namespace {

std::string localTimeText(std::chrono::system_clock::time_point t) {
  using namespace std::chrono;
  const auto ms = duration_cast<milliseconds>(t.time_since_epoch()).count();
  auto secs = static_cast<std::time_t>(ms / 1000);
  int millis = static_cast<int>(ms % 1000);
  if (millis < 0) {
    millis += 1000;
    --secs;
  }
  std::tm tm{};
  localtime_r(&secs, &tm);
  char date[32];
  std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &tm);
  const long offset = tm.tm_gmtoff / 60;
  const long absolute = offset < 0 ? -offset : offset;
  char text[64];
  std::snprintf(text, sizeof text, "%s.%03d%c%02ld:%02ld", date, millis, offset < 0 ? '-' : '+',
                absolute / 60, absolute % 60);
  return text;
}

void appendCell(std::string& row, const std::optional<double>& v) {
  row += ',';
  if (v) row += plainNumber(*v);
}

std::optional<double> voltsPerDivision(int voltDivIndex, int probeIndex) {
  auto mv = millivoltsPerDivision(voltDivIndex);
  if (!mv) return std::nullopt;
  return *mv * probeFactor(probeIndex).value_or(1.0) * 0.001;  // as measurements count the probe
}

}  // namespace

LogTime systemLogTime() {
  return {std::chrono::system_clock::now(), std::chrono::steady_clock::now()};
}

std::string plainNumber(double v) {
  if (!std::isfinite(v)) return {};
  if (v == 0) return "0";
  int decimals = 11 - static_cast<int>(std::floor(std::log10(std::fabs(v))));
  decimals = std::clamp(decimals, 0, 40);
  char buf[96];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  std::string s = buf;
  if (s.find('.') != std::string::npos) {
    s.erase(s.find_last_not_of('0') + 1);
    if (s.back() == '.') s.pop_back();
  }
  if (s == "-0") s = "0";
  return s;
}

std::string measurementLogHeader() {
  std::string h =
      "Local time,Seconds since start (s),Waveform,CH1 Volts/div (V),CH2 Volts/div (V),"
      "Time/div (s)";
  for (int i = 0; i < kMeasurementCount; ++i) {
    Quantity q = quantityAt(i);
    h += i < kQuantityCount ? ",CH1 " : ",CH2 ";
    h += quantityName(q);
    h += " (";
    h += quantityUnit(q);
    h += ')';
  }
  return h + "\n";
}

std::string measurementLogRow(const LogTime& now, const LogTime& start, int64_t waveformNumber,
                              const MeasuredWaveform& w) {
  using namespace std::chrono;
  const auto elapsedMs = duration_cast<milliseconds>(now.steady - start.steady).count();
  char seconds[48];
  std::snprintf(seconds, sizeof seconds, "%lld.%03lld", static_cast<long long>(elapsedMs / 1000),
                static_cast<long long>(elapsedMs % 1000));
  std::string row = localTimeText(now.wall);
  row += ',';
  row += elapsedMs < 0 ? "0.000" : seconds;
  row += ',';
  row += std::to_string(waveformNumber);
  appendCell(row, voltsPerDivision(w.scales.ch1VoltDivIndex, w.probes[0]));
  appendCell(row, voltsPerDivision(w.scales.ch2VoltDivIndex, w.probes[1]));
  appendCell(row, secondsPerDivision(w.scales.timeDivIndex));
  for (const auto& v : w.values) appendCell(row, v);
  return row + "\n";
}

FileStatus MeasurementLog::start(const std::string& path) {
  stop();
  // Non-blocking: a FIFO without a reader fails at once, and a full pipe fails the row instead of
  // stopping the caller's event loop; a regular file is unaffected.
  int fd =
      ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0644);
  if (fd < 0) return fileError(path, errno);
  fd_ = fd;
  path_ = path;
  rows_ = 0;
  size_ = 0;
  start_ = clock_();
  return write(measurementLogHeader());
}

FileStatus MeasurementLog::append(int64_t waveformNumber, const MeasuredWaveform& w) {
  if (fd_ < 0) return fileError(path_, EBADF);
  FileStatus s = write(measurementLogRow(clock_(), start_, waveformNumber, w));
  if (s) ++rows_;
  return s;
}

FileStatus MeasurementLog::write(const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    ssize_t n = ::write(fd_, text.data() + done, text.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      // A row cut short would read as a row of wrong values; the rows before it stay. Should the
      // cut fail too, the error reported below already stops the log.
      if (done > 0) {
        [[maybe_unused]] const int cut = ::ftruncate(fd_, size_);
      }
      ::close(fd_);
      fd_ = -1;
      return fileError(path_, err);
    }
    done += std::size_t(n);
  }
  size_ += static_cast<int64_t>(text.size());
  return {};
}

FileStatus MeasurementLog::stop() {
  if (fd_ < 0) return {};
  const int r = ::close(fd_);
  fd_ = -1;
  if (r != 0) return fileError(path_, errno);
  return {};
}

}  // namespace corvane
