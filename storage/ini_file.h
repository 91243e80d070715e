// A line-preserving INI document: any text parses, every line is kept as it was, and set() changes
// only the one line it writes (or adds lines), so comments, unknown keys and line ends survive.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// Reading rules:
// - Lines end with LF or CR LF; a CR elsewhere belongs to the line. NUL bytes are ordinary bytes.
// - "[name]" (blanks around allowed, text after the first ']' ignored) starts a section; a line
//   starting with ';' or '#' is a comment; "key=value" is a key line (key and value trimmed of
//   spaces and tabs, split at the first '='). Anything else, and lines before the first section
//   header, belong to no section and are kept untouched.
// - Section and key names compare case-insensitively (ASCII), as INI files always have.
// - Duplicates: the first matching key line in file order wins, across repeated sections of the
//   same name; set() rewrites that same line, so a value set is the value read.
class IniFile {
 public:
  IniFile() = default;
  explicit IniFile(std::string_view text);

  std::optional<std::string> value(std::string_view section, std::string_view key) const;

  // Rewrites the key's line in place (its text up to the '=' kept, then the new value), or adds
  // "key=value" after the last key line of the section's first occurrence, or adds the section at
  // the end. New lines use the document's line end (that of its first line; LF when it has none).
  // Names and values are cut at their first CR or LF so they stay on one line; a key holding '='
  // or a section name holding ']' would not read back and is the caller's mistake.
  void set(std::string_view section, std::string_view key, std::string_view value);

  std::string text() const;

  // Lines without their line ends, and the index of the line value() reads for a key.
  std::size_t lineCount() const { return lines_.size(); }
  std::string_view line(std::size_t index) const { return lines_[index].content; }
  std::optional<std::size_t> lineOf(std::string_view section, std::string_view key) const;

 private:
  enum class End : unsigned char { None, Lf, CrLf };
  struct Line {
    std::string content;
    End end = End::None;
  };

  void insertLine(std::size_t at, std::string content);
  std::string_view eolText(End e) const;

  std::vector<Line> lines_;
  End eol_ = End::Lf;
};

}  // namespace corvane
