// Lookup, suggestions and sending for the Control vocabulary; the table is
// control_vocabulary_table.cpp.
#include "protocol/control_vocabulary.h"

#include <algorithm>
#include <cctype>
#include <initializer_list>
#include <utility>

#include "protocol/acquisition_session.h"
#include "protocol/command_frame.h"

namespace corvane {

namespace {

using Kind = ControlNode::Kind;

std::vector<ControlEntry> buildEntries() {
  std::vector<ControlEntry> entries;
  for (const ControlNode& n : controlMenu())
    if (n.kind == Kind::kCommand) entries.push_back({n.path, n.command});
  for (const ToolbarLayout& bar : controlToolbars())
    for (const ToolbarButton& b : bar.buttons)
      if (b.kind == ToolbarButton::Kind::kCommand && b.menuIndex < 0)
        entries.push_back({std::string(bar.caption) + "/" + std::string(b.hint), b.command});
  return entries;
}

std::string_view withoutPrefix(std::string_view path) {
  if (path.substr(0, kControlPathPrefix.size()) == kControlPathPrefix)
    path.remove_prefix(kControlPathPrefix.size());
  return path;
}

// Edit distance in which a change of letter case costs 1 and any other change 3, so that
// "ch 1/volt division/1 v" finds "CH 1/Volt Division/1 V" before a different entry.
std::size_t distance(std::string_view a, std::string_view b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = 3 * j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = 3 * i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const unsigned char x = static_cast<unsigned char>(a[i - 1]);
      const unsigned char y = static_cast<unsigned char>(b[j - 1]);
      std::size_t change = x == y ? 0 : (std::tolower(x) == std::tolower(y) ? 1 : 3);
      const std::size_t best = std::min({row[j] + 3, row[j - 1] + 3, diagonal + change});
      diagonal = row[j];
      row[j] = best;
    }
  }
  return row[b.size()];
}

}  // namespace

std::string ControlCommand::frame() const {
  if (kind == Kind::kAction) return BuildActionFrame(first, second);
  const uint16_t fields[] = {first};
  return BuildCommandFrame(code, fields, 1);
}

const ToolbarButton* findToolbarButton(std::string_view hint) {
  for (const ToolbarLayout& bar : controlToolbars())
    for (const ToolbarButton& b : bar.buttons)
      if (b.kind != ToolbarButton::Kind::kSeparator && b.hint == hint) return &b;
  return nullptr;
}

const std::vector<ControlEntry>& controlEntries() {
  static const std::vector<ControlEntry> entries = buildEntries();
  return entries;
}

const ControlEntry* findControlEntry(std::string_view path) {
  path = withoutPrefix(path);
  for (const ControlEntry& e : controlEntries())
    if (e.path == path) return &e;
  return nullptr;
}

std::vector<std::string> closestControlPaths(std::string_view path, std::size_t count) {
  path = withoutPrefix(path);
  std::vector<std::pair<std::size_t, const ControlEntry*>> ranked;
  for (const ControlEntry& e : controlEntries()) ranked.emplace_back(distance(path, e.path), &e);
  // Stable: among equals, menu order.
  std::stable_sort(ranked.begin(), ranked.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::string> out;
  for (std::size_t i = 0; i < ranked.size() && i < count; ++i)
    out.push_back(ranked[i].second->path);
  return out;
}

void sendControlCommand(const ControlCommand& command, CommandSender& sender) {
  if (command.kind == ControlCommand::Kind::kAction) {
    sender.SendActionFrame(command.first, command.second);
  } else {
    sender.SendSetting(command.first, command.code);
  }
}

void performControlCommand(const ControlCommand& command, AcquisitionSession& session) {
  sendControlCommand(command, session.sender());
  if (command.effect == ControlEffect::kAutoSet)
    session.replyTimeout().setInterval(AcquisitionSession::kAutoSetTimeoutMs);
}

void AutoSet(AcquisitionSession& session) {
  performControlCommand(kAutoSetCommand, session);
}

uint8_t stepSetting(const SteppingSetting& step, WaveformBlock& staging, CommandSender& sender) {
  const unsigned next = staging.u8(step.offset) + 1u;
  const uint8_t value = next >= step.choices ? 0 : static_cast<uint8_t>(next);
  staging.setU8(step.offset, value);
  sender.SendSetting(value, step.code);
  return value;
}

bool performToolbarButton(const ToolbarButton& button, AcquisitionSession& session) {
  switch (button.kind) {
    case ToolbarButton::Kind::kCommand:
      performControlCommand(button.command, session);
      return true;
    case ToolbarButton::Kind::kStep:
      stepSetting(button.step, session.block(), session.sender());
      return true;
    case ToolbarButton::Kind::kSeparator:
    case ToolbarButton::Kind::kApp:
      break;
  }
  return false;
}

}  // namespace corvane
