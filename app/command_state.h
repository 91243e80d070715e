// The one place that decides which command controls are enabled. Every menu entry and toolbar
// button that can start an exchange with the instrument gets a rule from the lists below (by its
// caption); its enabled state is then a function of three facts: a transfer holds the lock, the
// Scope page re-enabled its own list during that lock, the real-time loop runs.
#pragma once

#include <string_view>

namespace corvane {

struct CommandState {
  bool transferLocked = false;      // EnableCommandControls(false) until (true)
  bool scopeListReenabled = false;  // EnableScopeCommands during the lock
  bool loopRunning = false;         // RUN pressed, until STOP or a stop elsewhere

  bool operator==(const CommandState&) const = default;
};

struct CommandRule {
  bool transferLock = false;  // in the transfer lock's list
  bool scopeList = false;     // in the Scope page's list
  bool loopLock = false;      // one of the seven controls the loop disables
};

enum class ControlKind { MenuEntry, ToolButton };

// The rule of a control, by its caption exactly as shown ("&New", "CH 1", "New File" ...).
// Controls in none of the lists (Help, About, Exit, the Windows menu, "Color Setting") are never
// locked.
CommandRule commandRule(ControlKind kind, std::string_view caption);

// A loop-locked control stays disabled while the loop runs even when the Scope page re-enables
// its list: otherwise a window activated during the loop could reopen the port dialog under it.
bool commandEnabled(const CommandRule& rule, const CommandState& state);

}  // namespace corvane
