#include "storage/record_csv.h"

#include <cstdio>
#include <optional>
#include <sstream>

#include "analysis/value_tables.h"

namespace corvane {

std::string recordCsvText(const WaveformBlock& block) {
  auto number = [](std::optional<double> v) {
    if (!v) return std::string();
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.9g", *v);
    return std::string(buf);
  };
  std::ostringstream csv;
  csv << "index,time_s,ch1_V,ch2_V\r\n";
  for (int i = 0; i < kPointCount; ++i) {
    auto v1 = sampleMillivolts(block, 0, i);
    auto v2 = sampleMillivolts(block, 1, i);
    csv << i << ',' << number(sampleSeconds(block, i)) << ','
        << number(v1 ? std::optional<double>(*v1 / 1000.0) : std::nullopt) << ','
        << number(v2 ? std::optional<double>(*v2 / 1000.0) : std::nullopt) << "\r\n";
  }
  return csv.str();
}

FileStatus writeRecordCsv(const std::string& path, const WaveformBlock& block) {
  return writeFileReplacing(path, recordCsvText(block));
}

}  // namespace corvane
