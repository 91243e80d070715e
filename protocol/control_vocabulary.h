// The Control vocabulary: every entry of the Control menu, the three toolbars and the stepping
// buttons, as data. The menu, the toolbars and `corvane-cli control` are all built from these
// tables, and all of them send through performControlCommand / stepSetting, so no caption or code
// is written twice.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/waveform_block.h"
#include "protocol/command_frame.h"
#include "protocol/command_sender.h"

namespace corvane {

class AcquisitionSession;

// What an entry does besides sending its frame.
enum class ControlEffect : uint8_t {
  kNone,
  kArithmeticMode,  // the menu then calls setArithmeticMode(first) on the target scope window
  kAutoSet,         // the reply time-out becomes AcquisitionSession::kAutoSetTimeoutMs
};

// One frame: a setting (SendSetting(first, code)) or an action (SendActionFrame(first, second);
// code is then always 174).
struct ControlCommand {
  enum class Kind : uint8_t { kSetting, kAction };
  Kind kind = Kind::kSetting;
  uint16_t code = 0;
  uint16_t first = 0;   // the setting's value, or the action's first field
  uint16_t second = 0;  // the action's second field; unused by settings
  ControlEffect effect = ControlEffect::kNone;

  // The frame as it goes on the wire, STX and ETX included.
  std::string frame() const;
};

// What a command control is, whichever menu or toolbar shows it. The main window's enabled-state
// rules and the toolbar's application buttons key on it, never on a caption.
enum class CommandId : uint8_t {
  kNone,  // no rule of its own: the entries inside the Control submenus, separators
  // File, Config and About; the toolbar's application buttons run the same commands.
  kNew,
  kOpen,
  kSave,
  kPrint,
  kPrintSetup,
  kExit,
  kSetConnection,
  kCommPortSetting,
  kColorSetting,
  kAbout,
  kHelp,
  // The Control menu's top level.
  kCh1,
  kCh2,
  kMath,
  kTime,
  kTrigger,
  kAcquire,
  kDisplay,
  kSaveRecall,  // the "Save" submenu of setups and waveforms
  kMeasure,
  kRunStop,
  // The toolbars' own buttons.
  kTriggerLevel50,
  kAutoSet,
  kCh1Coupling,
  kCh1Display,
  kCh2Coupling,
  kCh2Display,
  kTriggerMode,
  kTriggerSource,
  kTriggerCoupling,
  kTriggerSlope,
};

// The Control menu flattened in menu order (pre-order): a submenu is followed by its contents.
// depth 1 = directly in the Control menu. parent is the index of the holding submenu, -1 at
// depth 1.
struct ControlNode {
  enum class Kind : uint8_t { kSubmenu, kSeparator, kCommand };
  Kind kind = Kind::kCommand;
  int depth = 1;
  int parent = -1;
  std::string_view caption;         // exactly as shown; empty for separators
  std::string path;                 // captions joined by '/' ("CH 1/Volt Division/1 V")
  ControlCommand command;           // kCommand only
  CommandId id = CommandId::kNone;  // set at depth 1
};

inline constexpr std::string_view kControlMenuCaption = "&Control";
inline constexpr std::string_view kControlPathPrefix = "Control/";

const std::vector<ControlNode>& controlMenu();

// An instrument setting that a toolbar button steps through; the mirror byte lives at `offset`
// of the staging WaveformBlock.
struct SteppingSetting {
  std::size_t offset = 0;
  uint8_t choices = 0;
  uint16_t code = 0;
};

struct ToolbarButton {
  enum class Kind : uint8_t { kSeparator, kCommand, kStep, kApp };
  Kind kind = Kind::kSeparator;
  std::string_view hint;  // the tooltip; empty for separators
  // kCommand: the command sent. menuIndex is its entry in controlMenu(), -1 when the command is
  // the toolbar's own (Auto Set).
  ControlCommand command;
  int menuIndex = -1;
  SteppingSetting step;  // kStep
  // Which button it is; for kApp also the application command it runs.
  CommandId id = CommandId::kNone;
};

struct ToolbarLayout {
  std::string_view caption;            // "Control Tool", "Trigger Tool", "Config Tool"
  std::vector<ToolbarButton> buttons;  // left to right
};

// The three toolbars in order.
const std::vector<ToolbarLayout>& controlToolbars();
// The toolbar button with this hint, or null.
const ToolbarButton* findToolbarButton(std::string_view hint);

// Auto Set, action (0, 190): not in the Control menu, only on the toolbar.
inline constexpr ControlCommand kAutoSetCommand{ControlCommand::Kind::kAction, kActionCode, 0, 190,
                                                ControlEffect::kAutoSet};

// Everything that can be named on the command line: every command of the Control menu in menu
// order, then the toolbar's own commands under their toolbar ("Control Tool/Auto Set").
struct ControlEntry {
  std::string path;
  ControlCommand command;
};
const std::vector<ControlEntry>& controlEntries();

// Exact match of the path, with or without a leading "Control/"; null when unknown.
const ControlEntry* findControlEntry(std::string_view path);
// Up to `count` known paths nearest to an unknown one (edit distance, letter case counting less),
// nearest first.
std::vector<std::string> closestControlPaths(std::string_view path, std::size_t count = 3);

// Sends the command's frame (parked while the real-time loop runs). ControlEffect::kAutoSet needs
// the session's reply time-out and is not applied by the sender-only form.
void sendControlCommand(const ControlCommand& command, CommandSender& sender);
// The menu's and the command line's path: sends and applies kAutoSet. kArithmeticMode is the
// caller's (it concerns a scope window).
void performControlCommand(const ControlCommand& command, AcquisitionSession& session);
// "Auto Set": action (0, 190), then the reply time-out is 7000 ms, so that the loop pauses and the
// reply is awaited as long as the instrument needs.
void AutoSet(AcquisitionSession& session);

// A stepping button: reads the mirror byte, adds 1, wraps to 0 at the number of choices (a byte
// already at or beyond it, like a TV trigger's mode 3 or 4 or a 255, also steps to 0), stores it
// and sends it with SendSetting. Returns the value sent.
uint8_t stepSetting(const SteppingSetting& step, WaveformBlock& staging, CommandSender& sender);

// A toolbar button's instrument side: a command through performControlCommand, a stepping button
// through stepSetting on the session's staging block. False for separators and application
// actions, which the caller carries out.
bool performToolbarButton(const ToolbarButton& button, AcquisitionSession& session);

}  // namespace corvane
