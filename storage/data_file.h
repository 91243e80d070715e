// .DSO data files (exactly one 18,120-byte record) and their CR LF notes files.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/waveform_block.h"

namespace corvane {

inline constexpr std::string_view kNotVerifiedText = "Data isn't verified..";
inline constexpr std::string_view kTempDataName = "OSCTEMP.DSO";
inline constexpr std::string_view kTempNotesName = "OSCTEMP.TXT";

// Outcome of a file operation: ok, or the message for the operator (the size refusal, or the
// platform's own file error text naming the file).
struct FileStatus {
  bool ok = true;
  bool wrongSize = false;
  int error = 0;  // the errno behind a platform file error
  std::string message;
  explicit operator bool() const { return ok; }
};

struct ReadDataResult {
  FileStatus status;
  WaveformBlock block;
};

// A file of any size other than 18,120 bytes is refused with "Data isn't verified..".
ReadDataResult readDataFile(const std::string& path);

// Writes beside the target and renames over it, so a failure half-way leaves the previous file
// as it was.
FileStatus writeDataFile(const std::string& path, const WaveformBlock& block);

// The notes file of a data file: its full name without the last three characters, plus "TXT".
std::string notesFileName(const std::string& dataPath);

// Notes lines. Reading accepts CR LF, LF and lone CR as line ends; writing ends every line with
// CR LF. A missing file reads as nullopt (not an error: the window keeps its notes).
struct ReadNotesResult {
  FileStatus status;
  std::optional<std::vector<std::string>> lines;
};
ReadNotesResult readNotesFile(const std::string& path);
std::vector<std::string> splitNotes(std::string_view text);
FileStatus writeNotesFile(const std::string& path, const std::vector<std::string>& lines);

// The platform's file error for `path`, as the operator sees it.
FileStatus fileError(const std::string& path, int err);

// Reads the whole regular file, stopping after `limit` + 1 bytes so an enormous file is never
// loaded (the caller sees the excess in the size). Anything but a regular file is refused, and a
// FIFO never blocks the open.
FileStatus readWhole(const std::string& path, std::string& out, std::size_t limit);

// Writes `data` to `path` through a temporary file beside it, flushed to disk before the rename.
FileStatus writeFileReplacing(const std::string& path, std::string_view data);

// Start-up read of the temporary pair in `dir`: what the main window does next.
struct StartupRecord {
  enum class Kind { NoFile, Refused, Loaded } kind = Kind::NoFile;
  std::string message;  // for Refused
  WaveformBlock block;
  std::optional<std::vector<std::string>> notes;
};
StartupRecord readStartupRecord(const std::string& dir);
// Exit write: the active window's record and notes into the temporary pair in `dir`.
FileStatus writeExitRecord(const std::string& dir, const WaveformBlock& block,
                           const std::vector<std::string>& notes);

}  // namespace corvane
