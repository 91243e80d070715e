// A record's samples as CSV: one row per sample index with its time and both channels' volts,
// the format of `corvane-cli export` and of the scope window's "Export CSV…".
#pragma once

#include <string>

#include "analysis/waveform_block.h"
#include "storage/data_file.h"

namespace corvane {

// "index,time_s,ch1_V,ch2_V" and 500 rows, CRLF line ends; numbers with nine significant digits.
// A scale byte outside its table leaves that column empty rather than inventing a value.
std::string recordCsvText(const WaveformBlock& block);

// recordCsvText written beside `path` and renamed over it.
FileStatus writeRecordCsv(const std::string& path, const WaveformBlock& block);

}  // namespace corvane
