#include "app/command_state.h"

#include <algorithm>
#include <array>

namespace corvane {
namespace {

template <std::size_t N>
bool contains(const std::array<std::string_view, N>& list, std::string_view caption) {
  return std::find(list.begin(), list.end(), caption) != list.end();
}

constexpr std::array<std::string_view, 17> kLockedButtons = {
    "New File",      "File Open.",     "File Save",      "Trigger Set 50%", "Auto Set",
    "Run/Stop",      "CH1 Couple",     "CH1 Display",    "CH2 Couple",      "CH2 Display",
    "Trigger Slope", "Trigger Couple", "Trigger Source", "Trigger Mode",    "Comm Port setup",
    "Color setup",   "Print"};
constexpr std::array<std::string_view, 17> kLockedMenuEntries = {"&Open",
                                                                 "&Save",
                                                                 "&Print",
                                                                 "P&rint Setup",
                                                                 "&New",
                                                                 "CH 1",
                                                                 "CH 2",
                                                                 "Trigger",
                                                                 "Math",
                                                                 "Time",
                                                                 "Acquire",
                                                                 "Display",
                                                                 "Save",
                                                                 "Measure",
                                                                 "RUN/STOP",
                                                                 "Set Connection",
                                                                 "Comm. Port Setting"};
constexpr std::array<std::string_view, 14> kScopeButtons = {
    "New File",       "File Open.",   "Trigger Set 50%", "Auto Set",      "CH1 Couple",
    "CH1 Display",    "CH2 Couple",   "CH2 Display",     "Trigger Slope", "Trigger Couple",
    "Trigger Source", "Trigger Mode", "Comm Port setup", "Color setup"};
constexpr std::array<std::string_view, 7> kScopeMenuEntries = {
    "&New", "&Open", "CH 1", "CH 2", "Trigger", "Comm. Port Setting", "Color Setting"};
constexpr std::array<std::string_view, 3> kLoopButtons = {"New File", "File Open.",
                                                          "Comm Port setup"};
constexpr std::array<std::string_view, 4> kLoopMenuEntries = {
    "Set Connection", "Comm. Port Setting", "&New", "&Open"};

}  // namespace

CommandRule commandRule(ControlKind kind, std::string_view caption) {
  CommandRule rule;
  if (kind == ControlKind::ToolButton) {
    rule.transferLock = contains(kLockedButtons, caption);
    rule.scopeList = contains(kScopeButtons, caption);
    rule.loopLock = contains(kLoopButtons, caption);
  } else {
    rule.transferLock = contains(kLockedMenuEntries, caption);
    rule.scopeList = contains(kScopeMenuEntries, caption);
    rule.loopLock = contains(kLoopMenuEntries, caption);
  }
  return rule;
}

bool commandEnabled(const CommandRule& rule, const CommandState& state) {
  if (rule.loopLock && state.loopRunning) return false;
  if (rule.transferLock && state.transferLocked) {
    return rule.scopeList && state.scopeListReenabled;
  }
  return true;
}

}  // namespace corvane
