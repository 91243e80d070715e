// The one place that decides which command controls are enabled. Every menu entry and toolbar
// button that can start an exchange with the instrument gets its rule from the table in
// command_state.cpp, by what it is (its CommandId) and whether it is a menu entry or a toolbar
// button; its enabled state is then a function of three facts: a transfer holds the lock, the
// Scope page re-enabled its own list during that lock, the real-time loop runs.
#pragma once

#include "protocol/control_vocabulary.h"

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

  bool operator==(const CommandRule&) const = default;
};

enum class ControlKind { MenuEntry, ToolButton };

// The rule of a control. Controls in none of the lists (Help, About, Exit, the Windows menu, the
// "Color Setting" entry) are never locked.
CommandRule commandRule(ControlKind kind, CommandId command);

// A loop-locked control stays disabled while the loop runs even when the Scope page re-enables
// its list: otherwise a window activated during the loop could reopen the port dialog under it.
bool commandEnabled(const CommandRule& rule, const CommandState& state);

}  // namespace corvane
