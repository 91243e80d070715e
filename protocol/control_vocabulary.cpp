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

constexpr std::string_view kOnOff[] = {"ON", "OFF"};
constexpr std::string_view kOffOn[] = {"OFF", "ON"};
constexpr std::string_view kCoupling[] = {"AC", "DC", "GND"};
constexpr std::string_view kVoltDivision[] = {"2 mV",  "5 mV",  "10 mV", "20 mV", "50 mV", "0.1 V",
                                              "0.2 V", "0.5 V", "1 V",   "2 V",   "5 V"};
constexpr std::string_view kProbe[] = {"X 1", "X 10", "X 100", "X 1000"};
constexpr std::string_view kArithmetic[] = {"OFF",       "Ch1 + Ch2",   "Ch1 - Ch2",
                                            "Ch2 - Ch1", "Inverse Ch1", "Inverse Ch2"};
constexpr std::string_view kFftWindow[] = {"Rectangular", "Hamming", "Hanning"};
constexpr std::string_view kFftSource[] = {"CH1", "CH2"};
// The only entry of FFT Execute; it has no caption of its own on the instrument's side.
constexpr std::string_view kFftExecute[] = {"Execute"};
constexpr std::string_view kReference[] = {"Left", "Center", "Right"};
constexpr std::string_view kScale[] = {
    " 2 ns", " 5 ns", "10 ns", "20 ns", "50 ns",  "0.1 us", "0.25us", "0.5 us", "1 us", "2 us",
    "5 us",  "10 us", "20 us", "50 us", "0.1 ms", "0.2 ms", "0.5 ms", "1 ms",   "2 ms", "5 ms",
    "10 ms", "20 ms", "50 ms", "0.1 s", "0.2 s",  "0.5 s",  "1 s",    "2 s",    "5 s"};
constexpr std::string_view kTriggerCoupling[] = {"AC", "DC", "LF-REJ", "HF-REJ"};
constexpr std::string_view kSlope[] = {"Rising", "Falling"};
constexpr std::string_view kTriggerMode[] = {"Auto", "Normal", "Single"};
constexpr std::string_view kTriggerSource[] = {"CH 1", "CH 2", "EXT", "LINE"};
constexpr std::string_view kAverage[] = {"OFF",    "AVG 2",  "AVG 4",  "AVG 8",
                                         "AVG 16", "AVG 32", "AVG 64", "AVG 128"};
constexpr std::string_view kDisplayType[] = {"Dots", "Vectors"};
constexpr std::string_view kFormat[] = {"YT", "XY"};
constexpr std::string_view kGrid[] = {"Full", "Cross", "Board"};
constexpr std::string_view kMemories[] = {"Mem. 0", "Mem. 1", "Mem. 2", "Mem. 3", "Mem. 4",
                                          "Mem. 5", "Mem. 6", "Mem. 7", "Mem. 8", "Mem. 9"};
constexpr std::string_view kMeasure[] = {"OFF",       "Peak to Peak", "RMS",       "Mean",
                                         "Frequency", "Rise Time",    "Fall Time", "Period",
                                         "+Width",    "-Width",       "Duty"};
constexpr uint16_t kRecallOff = 255;

ControlCommand setting(uint16_t code, uint16_t value, ControlEffect effect = ControlEffect::kNone) {
  return ControlCommand{ControlCommand::Kind::kSetting, code, value, 0, effect};
}

ControlCommand action(uint16_t second) {
  return ControlCommand{ControlCommand::Kind::kAction, kActionCode, 0, second,
                        ControlEffect::kNone};
}

class MenuBuilder {
 public:
  // Opens a submenu; close() returns to its parent.
  void open(std::string_view caption) {
    add(Kind::kSubmenu, caption, {});
    open_.push_back(static_cast<int>(nodes_.size()) - 1);
  }
  void close() { open_.pop_back(); }
  void command(std::string_view caption, ControlCommand c) { add(Kind::kCommand, caption, c); }

  // A submenu of one code whose entries send 0, 1, 2 ... in order.
  template <std::size_t N>
  void counted(std::string_view caption, uint16_t code, const std::string_view (&entries)[N],
               ControlEffect effect = ControlEffect::kNone) {
    open(caption);
    for (std::size_t i = 0; i < N; ++i)
      command(entries[i], setting(code, static_cast<uint16_t>(i), effect));
    close();
  }

  // Recall CH1 / CH2: "OFF" (255), then memory k sends 2k + channel.
  void recall(std::string_view caption, uint16_t channel) {
    open(caption);
    command("OFF", setting(71, kRecallOff));
    for (std::size_t k = 0; k < std::size(kMemories); ++k)
      command(kMemories[k], setting(71, static_cast<uint16_t>(2 * k + channel)));
    close();
  }

  std::vector<ControlNode> take() { return std::move(nodes_); }

 private:
  void add(Kind kind, std::string_view caption, ControlCommand c) {
    ControlNode n;
    n.kind = kind;
    n.depth = static_cast<int>(open_.size()) + 1;
    n.parent = open_.empty() ? -1 : open_.back();
    n.caption = caption;
    n.path = n.parent < 0
                 ? std::string(caption)
                 : nodes_[static_cast<std::size_t>(n.parent)].path + "/" + std::string(caption);
    n.command = c;
    nodes_.push_back(std::move(n));
  }

  std::vector<ControlNode> nodes_;
  std::vector<int> open_;
};

std::vector<ControlNode> buildMenu() {
  MenuBuilder m;
  m.open("CH 1");
  m.counted("Display", 4, kOnOff);
  m.counted("Coupling", 2, kCoupling);
  m.counted("Volt Division", 6, kVoltDivision);
  m.counted("Ch1 Probe", 10, kProbe);
  m.close();

  m.open("CH 2");
  m.counted("Display", 24, kOnOff);
  m.counted("Coupling", 22, kCoupling);
  m.counted("Volt Division", 26, kVoltDivision);
  m.counted("Ch2 Probe", 30, kProbe);
  m.close();

  m.open("Math");
  m.counted("Arithmetic", 53, kArithmetic, ControlEffect::kArithmeticMode);
  m.counted("FFT Window", 141, kFftWindow);
  m.counted("FFT Source", 143, kFftSource);
  m.counted("FFT Execute", 145, kFftExecute);
  m.close();

  m.open("Time");
  m.counted("Reference", 41, kReference);
  m.counted("Scale", 33, kScale);
  m.close();

  m.open("Trigger");
  m.open("Type");
  m.command("Edge", setting(87, 0));
  m.command("TV Line", setting(89, 1));  // listed first, but the line sync is field 1
  m.command("TV Field", setting(89, 0));
  m.close();
  m.counted("Coupling", 85, kTriggerCoupling);
  m.counted("Slope", 91, kSlope);
  m.open("Mode");
  for (std::size_t i = 0; i < std::size(kTriggerMode); ++i)
    m.command(kTriggerMode[i], setting(81, static_cast<uint16_t>(i)));
  m.command("Set Level to 50%", action(238));
  m.close();
  m.counted("Source", 83, kTriggerSource);
  m.close();

  m.open("Acquire");
  m.counted("PK Detect", 121, kOffOn);
  m.counted("Average", 125, kAverage);
  m.counted("Persist", 117, kOffOn);
  m.close();

  m.open("Display");
  m.counted("Type", 113, kDisplayType);
  m.counted("Format", 115, kFormat);
  m.counted("Grid", 111, kGrid);
  m.close();

  m.open("Save");
  m.counted("Save Setup", 73, kMemories);
  m.counted("Recall Setup", 74, kMemories);
  m.counted("Save Waveform", 72, kMemories);
  m.recall("Recall CH1", 0);
  m.recall("Recall CH2", 1);
  m.close();

  m.counted("Measure", 61, kMeasure);
  m.command("RUN/STOP", action(188));
  return m.take();
}

int menuIndexOf(const std::vector<ControlNode>& menu, std::string_view path) {
  for (std::size_t i = 0; i < menu.size(); ++i)
    if (menu[i].path == path) return static_cast<int>(i);
  return -1;
}

ToolbarButton separator() {
  return ToolbarButton{};
}

ToolbarButton menuButton(std::string_view hint, std::string_view menuPath) {
  const auto& menu = controlMenu();
  ToolbarButton b;
  b.kind = ToolbarButton::Kind::kCommand;
  b.hint = hint;
  b.menuIndex = menuIndexOf(menu, menuPath);
  b.command = menu[static_cast<std::size_t>(b.menuIndex)].command;
  return b;
}

ToolbarButton ownCommand(std::string_view hint, ControlCommand c) {
  ToolbarButton b;
  b.kind = ToolbarButton::Kind::kCommand;
  b.hint = hint;
  b.command = c;
  return b;
}

ToolbarButton stepButton(std::string_view hint, std::size_t offset, uint8_t choices,
                         uint16_t code) {
  ToolbarButton b;
  b.kind = ToolbarButton::Kind::kStep;
  b.hint = hint;
  b.step = SteppingSetting{offset, choices, code};
  return b;
}

ToolbarButton appButton(std::string_view hint, AppAction app) {
  ToolbarButton b;
  b.kind = ToolbarButton::Kind::kApp;
  b.hint = hint;
  b.app = app;
  return b;
}

std::vector<ToolbarLayout> buildToolbars() {
  namespace o = offsets;
  std::vector<ToolbarLayout> bars;
  bars.push_back(
      {"Control Tool",
       {appButton("New File", AppAction::kNew), appButton("File Open.", AppAction::kOpen),
        appButton("File Save", AppAction::kSave), separator(),
        appButton("Print", AppAction::kPrint), separator(),
        menuButton("Trigger Set 50%", "Trigger/Mode/Set Level to 50%"),
        menuButton("Run/Stop", "RUN/STOP"), ownCommand("Auto Set", kAutoSetCommand), separator(),
        stepButton("CH1 Couple", o::Ch1Coupling, 3, 2),
        stepButton("CH1 Display", o::Ch1Hidden, 2, 4),
        stepButton("CH2 Couple", o::Ch2Coupling, 3, 22),
        stepButton("CH2 Display", o::Ch2Hidden, 2, 24)}});
  bars.push_back({"Trigger Tool",
                  {stepButton("Trigger Mode", o::TriggerMode, 3, 81),
                   stepButton("Trigger Source", o::TriggerSource, 4, 83),
                   stepButton("Trigger Couple", o::TriggerCoupling, 4, 85),
                   stepButton("Trigger Slope", o::TriggerSlope, 2, 91)}});
  bars.push_back({"Config Tool",
                  {appButton("Comm Port setup", AppAction::kCommPortSetting),
                   appButton("Color setup", AppAction::kColorSetting), separator(),
                   appButton("About", AppAction::kAbout), appButton("Help", AppAction::kHelp)}});
  return bars;
}

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

const std::vector<ControlNode>& controlMenu() {
  static const std::vector<ControlNode> menu = buildMenu();
  return menu;
}

const std::vector<ToolbarLayout>& controlToolbars() {
  static const std::vector<ToolbarLayout> bars = buildToolbars();
  return bars;
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
