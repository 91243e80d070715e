#include "sim/kv2040_model.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/sim/sim_test_support.h"

namespace corvane::sim {
namespace {

using test::framed;
using test::opened;

// A command frame built the way the program builds one, for the tests that loop over codes.
std::string command(int code, std::vector<int> fields) {
  char buf[16];
  std::string s(1, '\x02');
  std::snprintf(buf, sizeof buf, "%04d%04d", code, int(4 * fields.size()));
  s += buf;
  int sum = code + int(4 * fields.size());
  for (int f : fields) {
    std::snprintf(buf, sizeof buf, "%04d", f);
    s += buf;
    sum += f;
  }
  std::snprintf(buf, sizeof buf, "%04d", sum);
  s += buf;
  s += '\x03';
  return s;
}

struct Fixture {
  std::vector<std::string> messages;
  Kv2040Model model;
  explicit Fixture(ModelOptions o = {})
      : model([this, o]() mutable {
          o.diagnostics = [this](std::string_view m) { messages.emplace_back(m); };
          return o;
        }()) {}
  std::string send(const std::string& bytes) { return model.handleBytes(bytes); }
};

ModelOptions noiseFree() {
  ModelOptions o;
  o.noiseCodes = 0;
  return o;
}

TEST(Kv2040Model, SettingCommandIsAnsweredByTheReplyBelowIt) {
  Fixture f;
  EXPECT_EQ(f.send(framed("0006000400090019")), framed("0005", "0001", "0009", "0015"));
  EXPECT_EQ(f.model.settings().ch[0].voltDiv, 9);
  EXPECT_EQ(f.send(framed("0033000400060043")), framed("0032", "0001", "0006", "0039"));
  EXPECT_EQ(f.model.settings().timeDiv, 6);
  EXPECT_TRUE(f.messages.empty());
}

TEST(Kv2040Model, QueriesOfTheSetupLoadCarryTheCurrentValues) {
  Fixture f;
  EXPECT_EQ(f.send(framed("017100000171")), framed("0171", "0001", "0000", "0172"));
  EXPECT_EQ(f.send(framed("012400000124")), framed("0124", "0001", "0000", "0125"));
  EXPECT_EQ(f.send(framed("007000000070")), framed("0070", "0001", "0255", "0326"));
  EXPECT_EQ(f.send(framed("003100000031")), framed("0031", "0001", "0016", "0048"));
  EXPECT_EQ(f.send(framed("003200000032")), framed("0032", "0001", "0016", "0049"));
  EXPECT_EQ(f.send(framed("000700000007")), framed("0007", "0001", "0175", "0183"));

  ModelOptions variant;
  variant.variantFlag = 1;
  Fixture g(variant);
  EXPECT_EQ(g.send(framed("017100000171")), framed("0171", "0001", "0001", "0173"));
}

TEST(Kv2040Model, StatusReplyListsTheTwentyThreeSettingsInTheProgramsOrder) {
  Fixture f;
  EXPECT_EQ(f.send(framed("020000040009", "0213")),
            framed("0209", "0023",                                  // code, 23 values
                   "0000", "0008", "0001", "0175", "0000",          // CH1 hidden, V/div,
                   "0000", "0007", "0001", "0275", "0000",          // coupling, position, probe
                   "0016", "0131",                                  // time/div, trigger position
                   "0000", "0000", "0001", "0000", "0000", "0000",  // trigger type .. mode
                   "0150",                                          // trigger level
                   "0001", "0000", "0000", "0000",                  // vectors, YT, grid, math
                   "0998"));
}

TEST(Kv2040Model, TvTriggerReportsItsOwnTriggerModes) {
  Fixture f;
  EXPECT_EQ(f.send(command(89, {1})), framed("0088", "0001", "0001", "0090"));
  EXPECT_EQ(f.model.settings().triggerType, 1);
  EXPECT_EQ(f.send(framed("008000000080")), framed("0080", "0001", "0004", "0085"));  // TV-H
  EXPECT_EQ(f.send(command(89, {0})), framed("0088", "0001", "0000", "0089"));
  EXPECT_EQ(f.model.settings().statusFields()[17], 3);  // TV-V
  // A sweep mode chosen meanwhile is kept for the edge trigger.
  EXPECT_EQ(f.send(command(81, {1})), framed("0080", "0001", "0003", "0084"));
  EXPECT_EQ(f.send(command(87, {0})), framed("0086", "0001", "0000", "0087"));
  EXPECT_EQ(f.send(framed("008000000080")), framed("0080", "0001", "0001", "0082"));
}

TEST(Kv2040Model, EveryControlCommandIsUnderstood) {
  Fixture f;
  struct Case {
    int code;
    int value;
    std::function<int(const Kv2040Model&)> state;
  };
  const std::vector<Case> cases = {
      {2, 2, [](auto& m) { return m.settings().ch[0].coupling; }},
      {4, 1, [](auto& m) { return m.settings().ch[0].hidden; }},
      {6, 3, [](auto& m) { return m.settings().ch[0].voltDiv; }},
      {8, 200, [](auto& m) { return m.settings().ch[0].position; }},
      {10, 1, [](auto& m) { return m.settings().ch[0].probe; }},
      {22, 0, [](auto& m) { return m.settings().ch[1].coupling; }},
      {24, 1, [](auto& m) { return m.settings().ch[1].hidden; }},
      {26, 10, [](auto& m) { return m.settings().ch[1].voltDiv; }},
      {27, 250, [](auto& m) { return m.settings().arithPosition; }},
      {28, 300, [](auto& m) { return m.settings().ch[1].position; }},
      {30, 3, [](auto& m) { return m.settings().ch[1].probe; }},
      {33, 20, [](auto& m) { return m.settings().timeDiv; }},
      {41, 2, [](auto& m) { return m.settings().timeReference; }},
      {43, 100, [](auto& m) { return m.settings().triggerPosition; }},
      {53, 4, [](auto& m) { return m.settings().arithMode; }},
      {61, 10, [](auto& m) { return m.settings().measure; }},
      {71, 7, [](auto& m) { return m.settings().recallSelect; }},
      {72, 3, [](auto& m) { return int(m.waveformMemory(3).saved); }},
      {73, 4, [](auto& m) { return int(m.setupMemorySaved(4)); }},
      {74, 4, [](auto& m) { return int(m.setupMemorySaved(4)); }},
      {81, 2, [](auto& m) { return m.settings().triggerMode; }},
      {83, 1, [](auto& m) { return m.settings().triggerSource; }},
      {85, 3, [](auto& m) { return m.settings().triggerCoupling; }},
      {89, 1, [](auto& m) { return m.settings().tvSync; }},
      {87, 0, [](auto& m) { return m.settings().triggerType; }},
      {91, 1, [](auto& m) { return m.settings().triggerSlope; }},
      {93, 180, [](auto& m) { return m.settings().triggerLevel; }},
      {111, 2, [](auto& m) { return m.settings().gridKind; }},
      {113, 0, [](auto& m) { return m.settings().pointStyle; }},
      {115, 1, [](auto& m) { return m.settings().xyFormat; }},
      {117, 1, [](auto& m) { return m.settings().persist; }},
      {119, 75, [](auto& m) { return m.settings().contrast; }},
      {121, 1, [](auto& m) { return m.settings().peakDetect; }},
      {125, 7, [](auto& m) { return m.settings().averaging; }},
      {141, 2, [](auto& m) { return m.settings().fftWindow; }},
      {143, 1, [](auto& m) { return m.settings().fftSource; }},
      {145, 0, [](auto& m) { return m.fftExecutions() - 1; }},
  };
  for (const Case& c : cases) {
    const std::string reply = f.send(command(c.code, {c.value}));
    char head[40];
    std::snprintf(head, sizeof head, "\x02%04d0001%04d", c.code - 1, c.value);
    EXPECT_EQ(reply.substr(0, 13), head) << "command " << c.code;
    const int expected = (c.code == 72 || c.code == 73 || c.code == 74) ? 1 : c.value;
    EXPECT_EQ(c.state(f.model), expected) << "command " << c.code;
  }
  EXPECT_EQ(f.model.settings().triggerPosition, 100);
  EXPECT_TRUE(f.messages.empty()) << f.messages.front();
  EXPECT_EQ(f.model.counters().frames, cases.size());
}

TEST(Kv2040Model, ValuesOutsideTheirRangeAreRefusedOrClamped) {
  Fixture f;
  // Refused: the setting stays and the reply tells the program what it is.
  EXPECT_EQ(f.send(command(81, {5})), framed("0080", "0001", "0000", "0081"));
  EXPECT_EQ(f.send(command(6, {11})), framed("0005", "0001", "0008", "0014"));
  EXPECT_EQ(f.send(command(87, {1})), framed("0086", "0001", "0000", "0087"));
  // A refused choice has no side effects either: no TV trigger, no move of the trigger point.
  f.send(command(43, {60}));
  EXPECT_EQ(f.send(command(89, {2})), framed("0088", "0001", "0000", "0089"));
  EXPECT_EQ(f.send(command(41, {3})), framed("0040", "0001", "0001", "0042"));
  EXPECT_EQ(f.model.settings().triggerType, 0);
  EXPECT_EQ(f.model.settings().triggerPosition, 60);
  EXPECT_EQ(f.model.counters().refusedValues, 5u);
  ASSERT_EQ(f.messages.size(), 5u);
  EXPECT_EQ(f.messages[0], "value 5 refused for command 0081 (0..2)");
  // Dragged markers come back inside the screen.
  EXPECT_EQ(f.send(command(8, {75})), framed("0007", "0001", "0125", "0133"));
  EXPECT_EQ(f.send(command(28, {400})), framed("0027", "0001", "0325", "0353"));
  EXPECT_EQ(f.send(command(43, {300})), framed("0042", "0001", "0256", "0299"));
  EXPECT_EQ(f.send(command(93, {0})), framed("0092", "0001", "0125", "0218"));
  // Memory numbers beyond 9 have nothing to answer.
  EXPECT_EQ(f.send(command(72, {10})), "");
  EXPECT_EQ(f.model.counters().refusedValues, 6u);
}

TEST(Kv2040Model, TriggerLevelFollowsTheSourceScale) {
  Fixture f;
  // Row 150 is 125 on the EXT scale, which reaches 1000; back on CH2 it is a row again.
  EXPECT_EQ(f.send(command(83, {2})), framed("0082", "0001", "0002", "0085"));
  EXPECT_EQ(f.model.settings().triggerLevel, 125);
  EXPECT_EQ(f.send(command(93, {800})), framed("0092", "0001", "0800", "0893"));
  EXPECT_EQ(f.send(command(174, {0, 238})), framed("0173", "0001", "0238", "0412"));
  EXPECT_EQ(f.model.settings().triggerLevel, 500);
  f.send(command(93, {800}));
  f.send(command(83, {1}));
  EXPECT_EQ(f.model.settings().triggerLevel, 285);
  EXPECT_EQ(f.send(command(41, {0})), framed("0040", "0001", "0000", "0041"));
  EXPECT_EQ(f.model.settings().triggerPosition, 31);
}

TEST(Kv2040Model, BadFramesAndUnknownCommandsGetNoAnswer) {
  Fixture f;
  EXPECT_EQ(f.send(framed("0006000400080019")), "");
  EXPECT_EQ(f.send(opened("0006") + framed("012400000124")),
            framed("0124", "0001", "0000", "0125"));
  EXPECT_EQ(f.send(framed("0042000400010047")), "");  // 42 is a reply, not a command
  EXPECT_EQ(f.send(command(200, {4})), "");
  EXPECT_EQ(f.send(command(174, {1, 238})), "");
  EXPECT_EQ(f.send(command(6, {})), "");
  EXPECT_EQ(f.send("noise"), "");
  EXPECT_EQ(f.model.counters().badFrames, 2u);
  EXPECT_EQ(f.model.counters().unknownCommands, 4u);
  EXPECT_EQ(f.model.strayBytes(), 5u);
  EXPECT_EQ(f.model.settings().ch[0].voltDiv, 8);
  ASSERT_EQ(f.messages.size(), 7u);
  EXPECT_EQ(f.messages[0],
            "bad frame (checksum 0019 does not match 0018): <STX>0006000400080019<ETX>");
  EXPECT_EQ(f.messages[1], "bad frame (frame cut off by a new STX): <STX>0006");
  EXPECT_EQ(f.messages[2], "unknown command 0042 with 1 field(s)");
  EXPECT_EQ(f.messages[3], "unknown command 0200 with field 0004");
  EXPECT_EQ(f.messages[4], "unknown action 0174 (0001, 0238)");
  EXPECT_EQ(f.messages[6], "ignored 5 byte(s) outside a frame");
}

TEST(Kv2040Model, WaveformRepliesCarryBothHalves) {
  Fixture f(noiseFree());
  InstrumentSettings s;
  s.ch[0].coupling = 2;  // GND: flat traces at the ground codes 177 and 77
  s.ch[1].coupling = 2;
  ASSERT_TRUE(f.model.setSettings(s));
  const std::string reply = f.send(framed("020000040003", "0207"));
  EXPECT_EQ(reply, framed("02031000" + [] {
              std::string body;
              for (int i = 0; i < 500; ++i) body += "177";
              for (int i = 0; i < 500; ++i) body += "077";
              return body;
            }() + "128203"));
  const std::string ch1 = f.send(command(200, {1}));
  EXPECT_EQ(ch1.substr(0, 12), opened("02010500", "177"));
  EXPECT_EQ(ch1.size(), 1u + 8 + 1500 + 5 + 1);

  // Limits: CH1 widened by 10 codes either way.
  const std::string limits = f.send(command(200, {6}));
  EXPECT_EQ(limits.substr(0, 15), opened("02061000", "187187"));
  EXPECT_EQ(limits.substr(9 + 1500, 6), "167167");
  EXPECT_EQ(limits.substr(limits.size() - 7), "178206\x03");
}

TEST(Kv2040Model, RecallInformationAndTraceComeFromTheWaveformMemory) {
  Fixture f(noiseFree());
  EXPECT_EQ(f.send(command(200, {7})),
            framed("0207", "0006", "0255", "0000", "0000", "0000", "0000", "0000", "0468"));
  const std::string empty = f.send(command(200, {5}));
  EXPECT_EQ(empty.substr(0, 12), opened("02051000", "000"));
  EXPECT_EQ(empty.substr(empty.size() - 5), "1205\x03");

  f.send(command(72, {3}));
  EXPECT_EQ(f.send(command(71, {7})), framed("0070", "0001", "0007", "0078"));
  EXPECT_EQ(f.send(command(200, {7})),
            framed("0207", "0006", "0007", "0007", "0000", "0016", "0275", "0001", "0519"));
  const std::string recall = f.send(command(200, {5}));
  const Trace& saved = f.model.waveformMemory(3).traces[1];
  for (int i = 0; i < 500; i += 50) {
    EXPECT_EQ(std::stoi(recall.substr(9 + 3 * std::size_t(i), 3)), saved[std::size_t(i)]);
  }
  EXPECT_EQ(recall.substr(9 + 1500, 6), "001001");
  // The memory keeps its trace when the live one moves.
  f.send(command(28, {200}));
  EXPECT_EQ(f.send(command(200, {5})), recall);
}

TEST(Kv2040Model, SetupMemoriesSaveAndRestoreEverySetting) {
  Fixture f;
  f.send(command(26, {3}));
  f.send(command(73, {2}));
  f.send(command(26, {9}));
  f.send(command(115, {1}));
  EXPECT_EQ(f.send(command(74, {2})), framed("0073", "0001", "0002", "0076"));
  EXPECT_EQ(f.model.settings().ch[1].voltDiv, 3);
  EXPECT_EQ(f.model.settings().xyFormat, 0);
  f.send(command(74, {5}));
  EXPECT_EQ(f.model.settings().ch[1].voltDiv, 3);
  ASSERT_EQ(f.messages.size(), 1u);
  EXPECT_EQ(f.messages[0], "setup memory 5 is empty; settings kept");
}

TEST(Kv2040Model, ScreenImageReplyCarriesTheBitmapAsDecimalBytes) {
  Fixture f;
  const std::string reply = f.send(framed("0166000400000170"));
  EXPECT_EQ(reply.substr(0, 1 + 8 + 18), opened("01669662", "066077", "190037000000"));
  const std::vector<uint8_t> bmp = f.model.screenBmp();
  ASSERT_EQ(bmp.size(), 9662u);
  uint32_t sum = 166 + 9662;
  for (std::size_t k = 0; k < bmp.size(); ++k) {
    ASSERT_EQ(std::stoi(reply.substr(9 + 3 * k, 3)), bmp[k]) << "byte " << k;
    sum += bmp[k];
  }
  EXPECT_EQ(reply.substr(9 + 3 * 9662), std::to_string(sum) + "\x03");

  ModelOptions usb;
  usb.rawScreenImage = true;
  Fixture g(usb);
  const std::string raw = g.send(framed("0166000400000170"));
  ASSERT_EQ(raw.size(), 9664u);
  EXPECT_EQ(raw.front(), '\x02');
  EXPECT_EQ(raw.back(), '\x03');
  EXPECT_EQ(raw.substr(1, 2), "BM");
}

TEST(Kv2040Model, AutoSetAnswersAfterItsDelayAndHoldsLaterFrames) {
  ModelOptions o;
  o.autoSetMs = 3000;
  Fixture f(o);
  InstrumentSettings s;
  s.ch[0] = {1, 10, 2, 300, 0};
  s.ch[1] = {0, 0, 0, 130, 0};
  s.timeDiv = 3;
  s.triggerSource = 3;
  s.triggerLevel = 40;
  s.triggerPosition = 6;
  ASSERT_TRUE(f.model.setSettings(s));
  f.model.poll(1000);

  EXPECT_EQ(f.send(framed("01740008000001900372")), "");
  EXPECT_TRUE(f.model.busy());
  EXPECT_EQ(f.model.nextDueMs(), 4000);
  EXPECT_EQ(f.send(framed("003100000031")), "");
  EXPECT_EQ(f.model.poll(3999), "");
  EXPECT_EQ(f.model.poll(4000),
            framed("0173", "0001", "0190", "0364") + framed("0031", "0001", "0015", "0047"));
  EXPECT_FALSE(f.model.busy());
  EXPECT_EQ(f.model.nextDueMs(), -1);

  const InstrumentSettings& a = f.model.settings();
  EXPECT_EQ(a.ch[0], (ChannelSettings{0, 8, 1, 200, 0}));  // 1 V/div, 2 V square over 2 div
  EXPECT_EQ(a.ch[1], (ChannelSettings{0, 7, 1, 300, 0}));  // 0.5 V/div, 1.6 V sine
  EXPECT_EQ(a.timeDiv, 15);                                // 0.2 ms/div: two periods
  EXPECT_EQ(a.triggerSource, 0);
  EXPECT_EQ(a.triggerLevel, 175);  // CH1's midpoint, code 177
  EXPECT_EQ(a.triggerPosition, 131);
}

TEST(Kv2040Model, RunStopFreezesTheTraces) {
  Fixture f;
  const std::string waveform = framed("020000040003", "0207");
  const std::string a = f.send(waveform);
  EXPECT_NE(f.send(waveform), a);  // new noise every acquisition
  EXPECT_EQ(f.send(command(174, {0, 188})), framed("0173", "0001", "0188", "0362"));
  EXPECT_FALSE(f.model.running());
  const std::string frozen = f.send(waveform);
  EXPECT_EQ(f.send(waveform), frozen);
  f.model.poll(5000);
  EXPECT_EQ(f.send(waveform), frozen);
  f.send(command(174, {0, 188}));
  EXPECT_NE(f.send(waveform), frozen);
}

TEST(Kv2040Model, SingleAndNormalSweepsWaitForTheirTrigger) {
  Fixture f;
  const std::string waveform = framed("020000040003", "0207");
  f.send(command(81, {2}));
  const std::string single = f.send(waveform);
  EXPECT_FALSE(f.model.running());
  EXPECT_EQ(f.send(waveform), single);

  Fixture n;
  n.send(command(81, {1}));
  n.send(command(93, {200}));  // code 152: below the square's 0 V
  const std::string waiting = n.send(waveform);
  EXPECT_EQ(n.send(waveform), waiting);
  EXPECT_TRUE(n.model.running());
  n.send(command(81, {0}));  // Auto runs free without a trigger
  EXPECT_NE(n.send(waveform), waiting);
}

TEST(Kv2040Model, SameSeedSameWaveforms) {
  Fixture a, b;
  ModelOptions other;
  other.seed = 7;
  Fixture c(other);
  const std::string waveform = framed("020000040003", "0207");
  EXPECT_EQ(a.send(waveform), b.send(waveform));
  EXPECT_NE(a.send(waveform), c.send(waveform));
}

}  // namespace
}  // namespace corvane::sim
