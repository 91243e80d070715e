#include "protocol/control_vocabulary.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "protocol/recording_host.h"
#include "session_test_support.h"

namespace corvane {
namespace {

using Sent = std::vector<std::pair<std::string, std::string>>;  // path, frame body

// One-field frame body, built here from the frame layout rather than by the code under test.
std::string body(unsigned code, unsigned field) {
  char s[32];
  std::snprintf(s, sizeof s, "%04u0004%04u%04u", code, field, code + 4 + field);
  return s;
}

// A submenu whose captions send first, first + step, ... with one code.
void row(Sent& out, const std::string& submenu, unsigned code, const std::string& captions,
         unsigned first = 0, unsigned step = 1) {
  std::istringstream in(captions);
  unsigned v = first;
  for (std::string c; std::getline(in, c, '|'); v += step)
    out.emplace_back(submenu + "/" + c, body(code, v));
}

Sent expectedVocabulary() {
  const std::string volts = "2 mV|5 mV|10 mV|20 mV|50 mV|0.1 V|0.2 V|0.5 V|1 V|2 V|5 V";
  const std::string mem = "Mem. 0|Mem. 1|Mem. 2|Mem. 3|Mem. 4|Mem. 5|Mem. 6|Mem. 7|Mem. 8|Mem. 9";
  Sent s;
  row(s, "CH 1/Display", 4, "ON|OFF");
  row(s, "CH 1/Coupling", 2, "AC|DC|GND");
  row(s, "CH 1/Volt Division", 6, volts);
  row(s, "CH 1/Ch1 Probe", 10, "X 1|X 10|X 100|X 1000");
  row(s, "CH 2/Display", 24, "ON|OFF");
  row(s, "CH 2/Coupling", 22, "AC|DC|GND");
  row(s, "CH 2/Volt Division", 26, volts);
  row(s, "CH 2/Ch2 Probe", 30, "X 1|X 10|X 100|X 1000");
  row(s, "Math/Arithmetic", 53, "OFF|Ch1 + Ch2|Ch1 - Ch2|Ch2 - Ch1|Inverse Ch1|Inverse Ch2");
  row(s, "Math/FFT Window", 141, "Rectangular|Hamming|Hanning");
  row(s, "Math/FFT Source", 143, "CH1|CH2");
  row(s, "Math/FFT Execute", 145, "Execute");
  row(s, "Time/Reference", 41, "Left|Center|Right");
  row(s, "Time/Scale", 33,
      " 2 ns| 5 ns|10 ns|20 ns|50 ns|0.1 us|0.25us|0.5 us|1 us|2 us|5 us|10 us|20 us|50 us|"
      "0.1 ms|0.2 ms|0.5 ms|1 ms|2 ms|5 ms|10 ms|20 ms|50 ms|0.1 s|0.2 s|0.5 s|1 s|2 s|5 s");
  s.emplace_back("Trigger/Type/Edge", "0087000400000091");
  s.emplace_back("Trigger/Type/TV Line", "0089000400010094");
  s.emplace_back("Trigger/Type/TV Field", "0089000400000093");
  row(s, "Trigger/Coupling", 85, "AC|DC|LF-REJ|HF-REJ");
  row(s, "Trigger/Slope", 91, "Rising|Falling");
  row(s, "Trigger/Mode", 81, "Auto|Normal|Single");
  s.emplace_back("Trigger/Mode/Set Level to 50%", "01740008000002380420");
  row(s, "Trigger/Source", 83, "CH 1|CH 2|EXT|LINE");
  row(s, "Acquire/PK Detect", 121, "OFF|ON");
  row(s, "Acquire/Average", 125, "OFF|AVG 2|AVG 4|AVG 8|AVG 16|AVG 32|AVG 64|AVG 128");
  row(s, "Acquire/Persist", 117, "OFF|ON");
  row(s, "Display/Type", 113, "Dots|Vectors");
  row(s, "Display/Format", 115, "YT|XY");
  row(s, "Display/Grid", 111, "Full|Cross|Board");
  row(s, "Save/Save Setup", 73, mem);
  row(s, "Save/Recall Setup", 74, mem);
  row(s, "Save/Save Waveform", 72, mem);
  s.emplace_back("Save/Recall CH1/OFF", "0071000402550330");
  row(s, "Save/Recall CH1", 71, mem, 0, 2);
  s.emplace_back("Save/Recall CH2/OFF", "0071000402550330");
  row(s, "Save/Recall CH2", 71, mem, 1, 2);
  row(s, "Measure", 61,
      "OFF|Peak to Peak|RMS|Mean|Frequency|Rise Time|Fall Time|Period|+Width|-Width|Duty");
  s.emplace_back("RUN/STOP", "01740008000001880370");
  s.emplace_back("Control Tool/Auto Set", "01740008000001900372");
  return s;
}

struct FakeSerial : SerialWriter {
  std::size_t sendData(std::string_view bytes) override {
    sent += bytes;
    return bytes.size();
  }
  std::string sent;
};

struct SenderRig {
  ManualTimerService timers;
  std::unique_ptr<Timer> timer1 = timers.createTimer(500, [] {});
  RecordingHost host;
  FakeSerial serial;
  CommandSender sender{host, timer1.get(), SendPath{&serial, nullptr, {}, {}}};
  std::vector<std::string> frames() const { return sessiontest::framesIn(serial.sent); }
};

TEST(ControlVocabulary, EveryEntrySendsItsFrameInMenuOrder) {
  SenderRig r;
  Sent actual;
  for (const ControlEntry& e : controlEntries()) {
    sendControlCommand(e.command, r.sender);
    actual.emplace_back(e.path, r.frames().back());
  }
  EXPECT_EQ(actual, expectedVocabulary());

  std::vector<std::string> top;
  for (const ControlNode& n : controlMenu())
    if (n.depth == 1) top.emplace_back(n.caption);
  EXPECT_EQ(top, (std::vector<std::string>{"CH 1", "CH 2", "Math", "Time", "Trigger", "Acquire",
                                           "Display", "Save", "Measure", "RUN/STOP"}));
  EXPECT_EQ(findControlEntry("Math/Arithmetic/Ch2 - Ch1")->command.effect,
            ControlEffect::kArithmeticMode);
}

// Each toolbar as text: "|" a separator, hint=frame a command, hint@offset/choices>code a stepping
// button, a bare hint an application action.
std::string describe(const ToolbarLayout& bar) {
  std::string s = std::string(bar.caption) + ":";
  for (const ToolbarButton& b : bar.buttons) {
    s += " ";
    switch (b.kind) {
      case ToolbarButton::Kind::kSeparator:
        s += "|";
        break;
      case ToolbarButton::Kind::kCommand: {
        const std::string f = b.command.frame();
        s += std::string(b.hint) + "=" + f.substr(1, f.size() - 2);
        if (b.menuIndex >= 0) s += "(" + controlMenu()[std::size_t(b.menuIndex)].path + ")";
        break;
      }
      case ToolbarButton::Kind::kStep:
        s += std::string(b.hint) + "@" + std::to_string(b.step.offset) + "/" +
             std::to_string(b.step.choices) + ">" + std::to_string(b.step.code);
        break;
      case ToolbarButton::Kind::kApp:
        s += std::string(b.hint);
        break;
    }
  }
  return s;
}

TEST(ControlVocabulary, ToolbarsInOrderWithTheirSeparatorsAndCommands) {
  const auto& bars = controlToolbars();
  ASSERT_EQ(bars.size(), 3u);
  EXPECT_EQ(describe(bars[0]),
            "Control Tool: New File File Open. File Save | Print | "
            "Trigger Set 50%=01740008000002380420(Trigger/Mode/Set Level to 50%) "
            "Run/Stop=01740008000001880370(RUN/STOP) Auto Set=01740008000001900372 | "
            "CH1 Couple@18083/3>2 CH1 Display@18078/2>4 CH2 Couple@18084/3>22 "
            "CH2 Display@18079/2>24");
  EXPECT_EQ(describe(bars[1]),
            "Trigger Tool: Trigger Mode@18095/3>81 Trigger Source@18096/4>83 "
            "Trigger Couple@18097/4>85 Trigger Slope@18098/2>91");
  EXPECT_EQ(describe(bars[2]), "Config Tool: Comm Port setup Color setup | About Help");
  EXPECT_EQ(findToolbarButton("Color setup")->id, CommandId::kColorSetting);
}

TEST(ControlVocabulary, SteppingWrapsAndAByteBeyondTheChoicesStepsToZero) {
  SenderRig r;
  WaveformBlock staging;
  const SteppingSetting source = findToolbarButton("Trigger Source")->step;
  for (int i = 0; i < 4; ++i) stepSetting(source, staging, r.sender);
  EXPECT_EQ(r.frames(), (std::vector<std::string>{"0083000400010088", "0083000400020089",
                                                  "0083000400030090", "0083000400000087"}));
  EXPECT_EQ(staging.TriggerSource(), 0);

  staging.setTriggerMode(3);  // a TV trigger's mode
  EXPECT_EQ(stepSetting(findToolbarButton("Trigger Mode")->step, staging, r.sender), 0);
  staging.setCh1Coupling(255);
  EXPECT_EQ(stepSetting(findToolbarButton("CH1 Couple")->step, staging, r.sender), 0);
  EXPECT_EQ(staging.Ch1Coupling(), 0);
  EXPECT_EQ(r.frames().back(), "0002000400000006");
}

TEST(ControlVocabulary, LookupAndSuggestions) {
  EXPECT_EQ(findControlEntry("Control/Save/Recall CH1/Mem. 3")->command.first, 6);
  EXPECT_EQ(findControlEntry("Save/Recall CH2/Mem. 3")->command.first, 7);
  EXPECT_EQ(findControlEntry("Save/Recall CH1"), nullptr);  // a submenu is not an entry
  EXPECT_EQ(findControlEntry("Time/Scale/2 ns"), nullptr);
  EXPECT_EQ(closestControlPaths("Control/ch 1/volt division/1V"),
            (std::vector<std::string>{"CH 1/Volt Division/1 V", "CH 1/Volt Division/2 V",
                                      "CH 1/Volt Division/5 V"}));
  EXPECT_EQ(closestControlPaths("Time/Scale/2 ns", 1),
            std::vector<std::string>{"Time/Scale/ 2 ns"});
}

TEST(ControlVocabulary, WhileTheLoopRunsTheLastChoiceIsParkedAndSent) {
  sessiontest::Rig r;
  sessiontest::startIdleLoop(r);
  performControlCommand(findControlEntry("CH 1/Volt Division/0.2 V")->command, *r.session);
  performControlCommand(findControlEntry("CH 2/Coupling/GND")->command, *r.session);
  EXPECT_EQ(r.session->sender().PendingCommand(),
            "\x02"
            "0022000400020028"
            "\x03");
  r.timers.advance(1000);
  const auto frames = r.serialFrames();
  EXPECT_EQ(std::count(frames.begin(), frames.end(), "0022000400020028"), 1);
  EXPECT_EQ(std::count(frames.begin(), frames.end(), "0006000400060016"), 0);
  EXPECT_EQ(r.model.settings().ch[1].coupling, 2);
}

TEST(ControlVocabulary, AutoSetWaitsSevenSecondsForItsReply) {
  sessiontest::Rig r;
  r.startSerial();
  EXPECT_EQ(r.session->replyTimeout().interval(), 500);
  AutoSet(*r.session);
  EXPECT_EQ(r.session->replyTimeout().interval(), 7000);
  EXPECT_EQ(r.serialFrames().back(), "01740008000001900372");
  // The simulated instrument is busy for 2.5 s: longer than 500 ms, within 7000 ms.
  r.session->exchange().flags.ReplyReady = false;
  EXPECT_TRUE(r.runUntil([&] { return r.session->exchange().flags.ReplyReady; }, 4000));
  EXPECT_TRUE(r.host.errors.empty());
  // Its reply ends the long wait: the next request waits 500 ms again.
  EXPECT_EQ(r.session->replyTimeout().interval(), 500);

  // Unanswered, Auto Set's wait ends with its time-out, and so does the long interval.
  r.instrumentSilent = true;
  AutoSet(*r.session);
  r.timers.advance(6999);
  EXPECT_TRUE(r.host.errors.empty());
  r.timers.advance(1);
  EXPECT_EQ(r.host.errors, std::vector<std::string>{"Receive time out."});
  EXPECT_EQ(r.session->replyTimeout().interval(), 500);
}

}  // namespace
}  // namespace corvane
