#include <poll.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>
#include <map>
#include <set>

#include "app/control_commands.h"
#include "app/main_menus.h"
#include "app_test_support.h"
#include "scope/widgets/scope_window.h"

namespace corvane::apptest {
namespace {

// What reached the far end of the serial line so far.
std::string drain(const QuietPort& port) {
  std::string got;
  for (int i = 0; i < 20; ++i) {
    pollfd p{port.master, POLLIN, 0};
    if (::poll(&p, 1, 20) <= 0) continue;
    char buf[512];
    const ssize_t n = ::read(port.master, buf, sizeof buf);
    if (n > 0) got.append(buf, static_cast<std::size_t>(n));
  }
  return got;
}

struct ControlRig {
  QuietPort port;
  MainRig rig;
  MainWindow* m;
  ControlRig() {
    rig.writeIni(port.path);
    m = &rig.start();
    drain(port);
  }
  QAction* menu(const char* path) { return m->controlMenu().action(path); }
  QAction* button(const char* hint) { return m->toolbars().button(hint); }
  bool enabled(const char* title) {
    for (QAction* a : m->controlMenu().menu()->actions()) {
      if (a->text() == title) return a->isEnabled();
    }
    ADD_FAILURE() << "no entry " << title;
    return false;
  }
};

TEST(ControlCommands, MenuAndToolbarSendThroughTheSerialLink) {
  ControlRig r;
  ASSERT_NE(r.menu("Control/Save/Recall CH1/Mem. 3"), nullptr);
  r.menu("Control/Save/Recall CH1/Mem. 3")->trigger();
  r.menu("Save/Recall CH2/Mem. 3")->trigger();
  r.menu("Trigger/Type/TV Line")->trigger();
  const std::string sent = drain(r.port);
  EXPECT_NE(sent.find("007100040006"), std::string::npos) << sent;
  EXPECT_NE(sent.find("007100040007"), std::string::npos) << sent;
  EXPECT_NE(sent.find("008900040001"), std::string::npos) << sent;

  for (int i = 0; i < 4; ++i) r.button("Trigger Source")->trigger();
  const std::string steps = drain(r.port);
  std::vector<int> fields;
  for (std::size_t at = steps.find("00830004"); at != std::string::npos;
       at = steps.find("00830004", at + 1)) {
    fields.push_back(std::stoi(steps.substr(at + 8, 4)));
  }
  EXPECT_EQ(fields, (std::vector<int>{1, 2, 3, 0}));

  r.button("Auto Set")->trigger();
  EXPECT_NE(drain(r.port).find("017400080000019"), std::string::npos);
  EXPECT_EQ(r.m->session().replyTimeout().interval(), 7000);
}

TEST(ControlCommands, ArithmeticSetsTheTargetWindowsMode) {
  ControlRig r;
  ASSERT_NE(r.menu("Math/Arithmetic/Ch1 - Ch2"), nullptr);
  r.menu("Math/Arithmetic/Ch1 - Ch2")->trigger();
  EXPECT_NE(drain(r.port).find("005300040002"), std::string::npos);
  EXPECT_EQ(r.m->scopeWindow(0)->record().ArithMode(), 2);
}

TEST(ControlCommands, TransferLockScopePageAndLoopDecideTheEnabledState) {
  ControlRig r;
  MainWindow& m = *r.m;
  m.EnableCommandControls(false);
  for (const char* sub : {"CH 1", "CH 2", "Math", "Time", "Trigger", "Acquire", "Display", "Save",
                          "Measure", "RUN/STOP"}) {
    EXPECT_FALSE(r.enabled(sub)) << sub;
  }
  EXPECT_TRUE(m.menus().helpAction->isEnabled());
  EXPECT_TRUE(m.menus().aboutAction->isEnabled());
  EXPECT_TRUE(m.menus().exitAction->isEnabled());
  EXPECT_TRUE(m.menus().colorsAction->isEnabled());
  EXPECT_TRUE(r.button("Help")->isEnabled());
  EXPECT_FALSE(r.button("Color setup")->isEnabled());
  EXPECT_FALSE(m.scopeWindow(0)->findChild<QTabWidget*>("PageControl1")->tabBar()->isEnabled());

  // The Scope page brings back its own list and nothing else.
  m.EnableScopeCommands();
  for (const char* sub : {"CH 1", "CH 2", "Trigger"}) EXPECT_TRUE(r.enabled(sub)) << sub;
  for (const char* sub : {"Math", "Time", "Acquire", "Display", "Save", "Measure", "RUN/STOP"}) {
    EXPECT_FALSE(r.enabled(sub)) << sub;
  }
  EXPECT_TRUE(m.menus().newAction->isEnabled());
  EXPECT_FALSE(m.menus().saveAction->isEnabled());
  EXPECT_TRUE(r.button("Trigger Mode")->isEnabled());
  EXPECT_FALSE(r.button("Run/Stop")->isEnabled());
  EXPECT_FALSE(m.menus().connectionMenu->menuAction()->isEnabled());
  m.EnableCommandControls(true);
  EXPECT_TRUE(r.enabled("Measure"));

  // RUN locks its seven controls, STOP returns them.
  m.startLoop(m.activeSlot());
  for (QAction* a : {m.menus().newAction, m.menus().openAction, m.menus().portSettingsAction,
                     m.menus().connectionMenu->menuAction(), r.button("New File"),
                     r.button("File Open."), r.button("Comm Port setup")}) {
    EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
  }
  EXPECT_TRUE(m.menus().saveAction->isEnabled());
  // A setting chosen meanwhile is parked; a second one replaces it.
  r.menu("CH 1/Volt Division/1 V")->trigger();
  r.menu("CH 1/Volt Division/2 V")->trigger();
  EXPECT_TRUE(m.session().sender().PendingFlag());
  m.stopLoop();
  const std::string sent = drain(r.port);
  // Only the second choice went out, once.
  EXPECT_NE(sent.find("000600040009"), std::string::npos) << sent;
  EXPECT_EQ(sent.find("00060004"), sent.rfind("00060004")) << sent;
  for (QAction* a : {m.menus().newAction, m.menus().openAction, r.button("Comm Port setup")}) {
    EXPECT_TRUE(a->isEnabled());
  }
}

// Every control the menus and toolbars register carries the rule of what it is. Found here by
// caption, so a caption edited in a table fails here instead of silently losing its rule.
TEST(ControlCommands, EveryRegisteredControlHasTheRuleOfItsCommand) {
  ControlRig r;
  const CommandRule never, locked{true, false, false}, scope{true, true, false},
      scopeLoop{true, true, true};
  const std::map<std::string, CommandRule> entries = {{"&New", scopeLoop},
                                                      {"&Open", scopeLoop},
                                                      {"&Save", locked},
                                                      {"&Print", locked},
                                                      {"P&rint Setup", locked},
                                                      {"E&xit", never},
                                                      {"Set Connection", {true, false, true}},
                                                      {"Comm. Port Setting", scopeLoop},
                                                      {"Color Setting", {false, true, false}},
                                                      {"About &Corvane", never},
                                                      {"&Help", never},
                                                      {"CH 1", scope},
                                                      {"CH 2", scope},
                                                      {"Math", locked},
                                                      {"Time", locked},
                                                      {"Trigger", scope},
                                                      {"Acquire", locked},
                                                      {"Display", locked},
                                                      {"Save", locked},
                                                      {"Measure", locked},
                                                      {"RUN/STOP", locked}};
  const std::map<std::string, CommandRule> buttons = {{"New File", scopeLoop},
                                                      {"File Open.", scopeLoop},
                                                      {"File Save", locked},
                                                      {"Print", locked},
                                                      {"Trigger Set 50%", scope},
                                                      {"Run/Stop", locked},
                                                      {"Auto Set", scope},
                                                      {"CH1 Couple", scope},
                                                      {"CH1 Display", scope},
                                                      {"CH2 Couple", scope},
                                                      {"CH2 Display", scope},
                                                      {"Trigger Mode", scope},
                                                      {"Trigger Source", scope},
                                                      {"Trigger Couple", scope},
                                                      {"Trigger Slope", scope},
                                                      {"Comm Port setup", scopeLoop},
                                                      {"Color setup", scope},
                                                      {"About", never},
                                                      {"Help", never}};
  std::set<std::string> seenEntries, seenButtons;
  for (QAction* a : r.m->menus().registeredControls()) {
    const std::string caption = a->text().toStdString();
    const bool isButton = r.m->toolbars().button(caption) == a;
    const auto& expected = isButton ? buttons : entries;
    ASSERT_TRUE(expected.contains(caption)) << caption;
    EXPECT_EQ(r.m->menus().registeredRule(a), expected.at(caption)) << caption;
    (isButton ? seenButtons : seenEntries).insert(caption);
  }
  EXPECT_EQ(seenEntries.size(), entries.size());
  EXPECT_EQ(seenButtons.size(), buttons.size());
}

}  // namespace
}  // namespace corvane::apptest
