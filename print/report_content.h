// What the printed report reads from a scope window, as plain values, and the rows of its
// settings and measurement tables.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "analysis/measurements.h"
#include "analysis/waveform_block.h"
#include "scope/display_bitmap.h"
#include "scope/display_colors.h"
#include "scope/status_texts.h"

namespace corvane {

struct ReportContent {
  DisplayBitmap picture;  // the window's display bitmap as last composed
  DisplayColors colors;   // Ch1, Ch2, Merge, Recall and GoNoGo decide the left strip
  // The status texts and the three display-scale boxes with their current selections.
  ScopeInformation status;
  Measurements measurements;  // the 18 label texts as they stand
  // Straight from the window's record.
  uint8_t XYFormat = 0;
  uint8_t Ch1Probe = 0;
  uint8_t Ch2Probe = 0;
  std::vector<std::string> notes;  // Memo1's lines, UTF-8 (invalid bytes are tolerated)
  std::string timeText;            // the time of day in the titles
};

// The report of `record` as a scope window newly opened on it shows it: the picture composed
// with the default colours and the record's grid, the status texts, the measurements at the
// record's own scales.
ReportContent makeReportContent(const WaveformBlock& record, std::vector<std::string> notes,
                                std::string timeText);

// A row of the Scope page's tables: the texts at x(1), x(5) and x(9).
struct ReportRow {
  enum class Kind : uint8_t { Heading, Text, Rule, ClosingRule };
  Kind kind = Kind::Text;
  std::string label, first, second;

  bool operator==(const ReportRow&) const = default;
};

std::vector<ReportRow> scopeTableRows(const ReportContent& content);

// The selected item's text of a display-scale box; empty when nothing is selected.
std::string selectedItemText(const std::vector<std::string>& items, int index);

// "X1", "X10", "X100", "X1000"; a probe byte outside 0..3 reads as "X1", as everywhere else.
std::string probeName(int probeIndex);

}  // namespace corvane
