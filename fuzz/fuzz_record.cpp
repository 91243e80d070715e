// Arbitrary records and display scales through the measurements and status texts, and arbitrary
// bytes through the notes-file reader.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "analysis/measurements.h"
#include "scope/status_texts.h"
#include "storage/data_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  corvane::WaveformBlock b;
  std::memcpy(b.bytes.data(), data, std::min(size, corvane::kBlockSize));
  corvane::DisplayScales scales = corvane::recordScales(b);
  if (size >= corvane::kBlockSize + 3) {
    // Display selections may be anything the widget could hold, -1 included.
    scales.ch1VoltDivIndex = static_cast<int8_t>(data[corvane::kBlockSize]);
    scales.ch2VoltDivIndex = static_cast<int8_t>(data[corvane::kBlockSize + 1]);
    scales.timeDivIndex = static_cast<int8_t>(data[corvane::kBlockSize + 2]);
  }
  auto info = corvane::FillScopeInformation(b);
  auto m = corvane::MeasureChannels(b, scales);
  if (m.channel[0].pp.empty() || info.ch1VoltDivItems.size() != 11) __builtin_trap();
  auto lines = corvane::splitNotes(std::string_view(reinterpret_cast<const char*>(data), size));
  (void)lines;
  return 0;
}
