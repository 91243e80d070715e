#include "app/command_state.h"

namespace corvane {
namespace {

constexpr CommandRule kLocked{true, false, false};     // the transfer lock's list only
constexpr CommandRule kScope{true, true, false};       // and back with the Scope page's list
constexpr CommandRule kScopeLoop{true, true, true};    // and off while the loop runs
constexpr CommandRule kLockedLoop{true, false, true};  // locked by both, never by the Scope page
constexpr CommandRule kScopeListOnly{false, true, false};  // never locked

struct RuleRow {
  ControlKind kind;
  CommandId command;
  CommandRule rule;
};

// Every locked control; a command missing here is never locked.
constexpr RuleRow kRules[] = {
    {ControlKind::MenuEntry, CommandId::kNew, kScopeLoop},
    {ControlKind::MenuEntry, CommandId::kOpen, kScopeLoop},
    {ControlKind::MenuEntry, CommandId::kSave, kLocked},
    {ControlKind::MenuEntry, CommandId::kPrint, kLocked},
    {ControlKind::MenuEntry, CommandId::kPrintSetup, kLocked},
    {ControlKind::MenuEntry, CommandId::kSetConnection, kLockedLoop},
    {ControlKind::MenuEntry, CommandId::kCommPortSetting, kScopeLoop},
    {ControlKind::MenuEntry, CommandId::kColorSetting, kScopeListOnly},
    {ControlKind::MenuEntry, CommandId::kCh1, kScope},
    {ControlKind::MenuEntry, CommandId::kCh2, kScope},
    {ControlKind::MenuEntry, CommandId::kMath, kLocked},
    {ControlKind::MenuEntry, CommandId::kTime, kLocked},
    {ControlKind::MenuEntry, CommandId::kTrigger, kScope},
    {ControlKind::MenuEntry, CommandId::kAcquire, kLocked},
    {ControlKind::MenuEntry, CommandId::kDisplay, kLocked},
    {ControlKind::MenuEntry, CommandId::kSaveRecall, kLocked},
    {ControlKind::MenuEntry, CommandId::kMeasure, kLocked},
    {ControlKind::MenuEntry, CommandId::kRunStop, kLocked},

    {ControlKind::ToolButton, CommandId::kNew, kScopeLoop},
    {ControlKind::ToolButton, CommandId::kOpen, kScopeLoop},
    {ControlKind::ToolButton, CommandId::kSave, kLocked},
    {ControlKind::ToolButton, CommandId::kPrint, kLocked},
    {ControlKind::ToolButton, CommandId::kTriggerLevel50, kScope},
    {ControlKind::ToolButton, CommandId::kRunStop, kLocked},
    {ControlKind::ToolButton, CommandId::kAutoSet, kScope},
    {ControlKind::ToolButton, CommandId::kCh1Coupling, kScope},
    {ControlKind::ToolButton, CommandId::kCh1Display, kScope},
    {ControlKind::ToolButton, CommandId::kCh2Coupling, kScope},
    {ControlKind::ToolButton, CommandId::kCh2Display, kScope},
    {ControlKind::ToolButton, CommandId::kTriggerMode, kScope},
    {ControlKind::ToolButton, CommandId::kTriggerSource, kScope},
    {ControlKind::ToolButton, CommandId::kTriggerCoupling, kScope},
    {ControlKind::ToolButton, CommandId::kTriggerSlope, kScope},
    {ControlKind::ToolButton, CommandId::kCommPortSetting, kScopeLoop},
    {ControlKind::ToolButton, CommandId::kColorSetting, kScope},
};

}  // namespace

CommandRule commandRule(ControlKind kind, CommandId command) {
  for (const RuleRow& row : kRules) {
    if (row.kind == kind && row.command == command) return row.rule;
  }
  return CommandRule{};
}

bool commandEnabled(const CommandRule& rule, const CommandState& state) {
  if (rule.loopLock && state.loopRunning) return false;
  if (rule.transferLock && state.transferLocked) {
    return rule.scopeList && state.scopeListReenabled;
  }
  return true;
}

}  // namespace corvane
