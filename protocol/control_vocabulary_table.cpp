// The Control vocabulary's table: the Control menu and the three toolbars as data, with every
// caption, code and field exactly once.
#include <initializer_list>
#include <utility>

#include "protocol/control_vocabulary.h"

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
  void open(std::string_view caption, CommandId id = CommandId::kNone) {
    add(Kind::kSubmenu, caption, {}, id);
    open_.push_back(static_cast<int>(nodes_.size()) - 1);
  }
  void close() { open_.pop_back(); }
  void command(std::string_view caption, ControlCommand c, CommandId id = CommandId::kNone) {
    add(Kind::kCommand, caption, c, id);
  }

  // A submenu of one code whose entries send 0, 1, 2 ... in order.
  template <std::size_t N>
  void counted(std::string_view caption, uint16_t code, const std::string_view (&entries)[N],
               CommandId id = CommandId::kNone, ControlEffect effect = ControlEffect::kNone) {
    open(caption, id);
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
  void add(Kind kind, std::string_view caption, ControlCommand c, CommandId id) {
    ControlNode n;
    n.kind = kind;
    n.depth = static_cast<int>(open_.size()) + 1;
    n.parent = open_.empty() ? -1 : open_.back();
    n.caption = caption;
    n.path = n.parent < 0
                 ? std::string(caption)
                 : nodes_[static_cast<std::size_t>(n.parent)].path + "/" + std::string(caption);
    n.command = c;
    n.id = id;
    nodes_.push_back(std::move(n));
  }

  std::vector<ControlNode> nodes_;
  std::vector<int> open_;
};

std::vector<ControlNode> buildMenu() {
  MenuBuilder m;
  m.open("CH 1", CommandId::kCh1);
  m.counted("Display", 4, kOnOff);
  m.counted("Coupling", 2, kCoupling);
  m.counted("Volt Division", 6, kVoltDivision);
  m.counted("Ch1 Probe", 10, kProbe);
  m.close();

  m.open("CH 2", CommandId::kCh2);
  m.counted("Display", 24, kOnOff);
  m.counted("Coupling", 22, kCoupling);
  m.counted("Volt Division", 26, kVoltDivision);
  m.counted("Ch2 Probe", 30, kProbe);
  m.close();

  m.open("Math", CommandId::kMath);
  m.counted("Arithmetic", 53, kArithmetic, CommandId::kNone, ControlEffect::kArithmeticMode);
  m.counted("FFT Window", 141, kFftWindow);
  m.counted("FFT Source", 143, kFftSource);
  m.counted("FFT Execute", 145, kFftExecute);
  m.close();

  m.open("Time", CommandId::kTime);
  m.counted("Reference", 41, kReference);
  m.counted("Scale", 33, kScale);
  m.close();

  m.open("Trigger", CommandId::kTrigger);
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

  m.open("Acquire", CommandId::kAcquire);
  m.counted("PK Detect", 121, kOffOn);
  m.counted("Average", 125, kAverage);
  m.counted("Persist", 117, kOffOn);
  m.close();

  m.open("Display", CommandId::kDisplay);
  m.counted("Type", 113, kDisplayType);
  m.counted("Format", 115, kFormat);
  m.counted("Grid", 111, kGrid);
  m.close();

  m.open("Save", CommandId::kSaveRecall);
  m.counted("Save Setup", 73, kMemories);
  m.counted("Recall Setup", 74, kMemories);
  m.counted("Save Waveform", 72, kMemories);
  m.recall("Recall CH1", 0);
  m.recall("Recall CH2", 1);
  m.close();

  m.counted("Measure", 61, kMeasure, CommandId::kMeasure);
  m.command("RUN/STOP", action(188), CommandId::kRunStop);
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

ToolbarButton button(ToolbarButton::Kind kind, CommandId id, std::string_view hint) {
  ToolbarButton b;
  b.kind = kind;
  b.id = id;
  b.hint = hint;
  return b;
}

// The same command as a Control menu entry.
ToolbarButton menuButton(CommandId id, std::string_view hint, std::string_view menuPath) {
  const auto& menu = controlMenu();
  ToolbarButton b = button(ToolbarButton::Kind::kCommand, id, hint);
  b.menuIndex = menuIndexOf(menu, menuPath);
  b.command = menu[static_cast<std::size_t>(b.menuIndex)].command;
  return b;
}

ToolbarButton ownCommand(CommandId id, std::string_view hint, ControlCommand c) {
  ToolbarButton b = button(ToolbarButton::Kind::kCommand, id, hint);
  b.command = c;
  return b;
}

ToolbarButton stepButton(CommandId id, std::string_view hint, std::size_t offset, uint8_t choices,
                         uint16_t code) {
  ToolbarButton b = button(ToolbarButton::Kind::kStep, id, hint);
  b.step = SteppingSetting{offset, choices, code};
  return b;
}

ToolbarButton appButton(CommandId id, std::string_view hint) {
  return button(ToolbarButton::Kind::kApp, id, hint);
}

std::vector<ToolbarLayout> buildToolbars() {
  namespace o = offsets;
  using C = CommandId;
  std::vector<ToolbarLayout> bars;
  bars.push_back(
      {"Control Tool",
       {appButton(C::kNew, "New File"), appButton(C::kOpen, "File Open."),
        appButton(C::kSave, "File Save"), separator(), appButton(C::kPrint, "Print"), separator(),
        menuButton(C::kTriggerLevel50, "Trigger Set 50%", "Trigger/Mode/Set Level to 50%"),
        menuButton(C::kRunStop, "Run/Stop", "RUN/STOP"),
        ownCommand(C::kAutoSet, "Auto Set", kAutoSetCommand), separator(),
        stepButton(C::kCh1Coupling, "CH1 Couple", o::Ch1Coupling, 3, 2),
        stepButton(C::kCh1Display, "CH1 Display", o::Ch1Hidden, 2, 4),
        stepButton(C::kCh2Coupling, "CH2 Couple", o::Ch2Coupling, 3, 22),
        stepButton(C::kCh2Display, "CH2 Display", o::Ch2Hidden, 2, 24)}});
  bars.push_back({"Trigger Tool",
                  {stepButton(C::kTriggerMode, "Trigger Mode", o::TriggerMode, 3, 81),
                   stepButton(C::kTriggerSource, "Trigger Source", o::TriggerSource, 4, 83),
                   stepButton(C::kTriggerCoupling, "Trigger Couple", o::TriggerCoupling, 4, 85),
                   stepButton(C::kTriggerSlope, "Trigger Slope", o::TriggerSlope, 2, 91)}});
  bars.push_back({"Config Tool",
                  {appButton(C::kCommPortSetting, "Comm Port setup"),
                   appButton(C::kColorSetting, "Color setup"), separator(),
                   appButton(C::kAbout, "About"), appButton(C::kHelp, "Help")}});
  return bars;
}

}  // namespace

const std::vector<ControlNode>& controlMenu() {
  static const std::vector<ControlNode> menu = buildMenu();
  return menu;
}

const std::vector<ToolbarLayout>& controlToolbars() {
  static const std::vector<ToolbarLayout> bars = buildToolbars();
  return bars;
}

}  // namespace corvane
