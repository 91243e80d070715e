#include "storage/ini_file.h"

namespace corvane {
namespace {

std::string_view trim(std::string_view s) {
  constexpr std::string_view kBlank = " \t\r";
  std::size_t b = s.find_first_not_of(kBlank);
  if (b == std::string_view::npos) return {};
  return s.substr(b, s.find_last_not_of(kBlank) - b + 1);
}

bool iequals(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::string_view oneLine(std::string_view s) {
  return s.substr(0, s.find_first_of("\r\n"));
}

struct Parsed {
  enum class Kind { Other, Section, Key } kind = Kind::Other;
  std::string_view name;   // section or key name
  std::string_view value;  // key lines
  std::size_t equals = 0;  // position of the '=' in a key line
};

Parsed classify(std::string_view line) {
  std::string_view t = trim(line);
  if (t.empty() || t.front() == ';' || t.front() == '#') return {};
  if (t.front() == '[') {
    std::size_t close = t.find(']');
    if (close == std::string_view::npos) return {};
    return {Parsed::Kind::Section, trim(t.substr(1, close - 1)), {}, 0};
  }
  std::size_t eq = line.find('=');
  if (eq == std::string_view::npos) return {};
  std::string_view key = trim(line.substr(0, eq));
  if (key.empty()) return {};
  return {Parsed::Kind::Key, key, trim(line.substr(eq + 1)), eq};
}

}  // namespace

IniFile::IniFile(std::string_view text) {
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t nl = text.find('\n', start);
    Line l;
    if (nl == std::string_view::npos) {
      l.content.assign(text.substr(start));
      start = text.size();
    } else {
      std::string_view body = text.substr(start, nl - start);
      if (!body.empty() && body.back() == '\r') {
        body.remove_suffix(1);
        l.end = End::CrLf;
      } else {
        l.end = End::Lf;
      }
      l.content.assign(body);
      start = nl + 1;
    }
    lines_.push_back(std::move(l));
  }
  if (!lines_.empty() && lines_.front().end != End::None) eol_ = lines_.front().end;
}

std::optional<std::size_t> IniFile::lineOf(std::string_view section, std::string_view key) const {
  bool inSection = false;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    Parsed p = classify(lines_[i].content);
    if (p.kind == Parsed::Kind::Section) {
      inSection = iequals(p.name, section);
    } else if (inSection && p.kind == Parsed::Kind::Key && iequals(p.name, key)) {
      return i;
    }
  }
  return std::nullopt;
}

std::optional<std::string> IniFile::value(std::string_view section, std::string_view key) const {
  std::optional<std::size_t> i = lineOf(section, key);
  if (!i) return std::nullopt;
  return std::string(classify(lines_[*i].content).value);
}

void IniFile::set(std::string_view section, std::string_view key, std::string_view value) {
  section = oneLine(section);
  key = oneLine(key);
  value = oneLine(value);
  if (std::optional<std::size_t> i = lineOf(section, key)) {
    std::string& content = lines_[*i].content;
    content.resize(classify(content).equals + 1);
    content.append(value);
    return;
  }
  std::string keyLine = std::string(key) + "=" + std::string(value);
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    Parsed p = classify(lines_[i].content);
    if (p.kind != Parsed::Kind::Section || !iequals(p.name, section)) continue;
    std::size_t last = i;
    for (std::size_t j = i + 1; j < lines_.size(); ++j) {
      Parsed q = classify(lines_[j].content);
      if (q.kind == Parsed::Kind::Section) break;
      if (q.kind == Parsed::Kind::Key) last = j;
    }
    insertLine(last + 1, std::move(keyLine));
    return;
  }
  // A blank line between sections, as people write them.
  if (!lines_.empty() && !trim(lines_.back().content).empty()) insertLine(lines_.size(), "");
  insertLine(lines_.size(), "[" + std::string(section) + "]");
  insertLine(lines_.size(), std::move(keyLine));
}

void IniFile::insertLine(std::size_t at, std::string content) {
  if (at > 0 && lines_[at - 1].end == End::None) {
    // The unterminated last line gets a line end; one ending in CR gets CR LF so that CR stays
    // part of its text.
    const std::string& prev = lines_[at - 1].content;
    lines_[at - 1].end = (!prev.empty() && prev.back() == '\r') ? End::CrLf : eol_;
  }
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), Line{std::move(content), eol_});
}

std::string_view IniFile::eolText(End e) const {
  switch (e) {
    case End::Lf:
      return "\n";
    case End::CrLf:
      return "\r\n";
    case End::None:
      break;
  }
  return {};
}

std::string IniFile::text() const {
  std::size_t size = 0;
  for (const Line& l : lines_) size += l.content.size() + 2;
  std::string out;
  out.reserve(size);
  for (const Line& l : lines_) {
    out += l.content;
    out += eolText(l.end);
  }
  return out;
}

}  // namespace corvane
