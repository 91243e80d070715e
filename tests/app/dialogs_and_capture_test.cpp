#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <algorithm>

#include "app/main_menus.h"
#include "app/port_dialog.h"
#include "app_test_support.h"
#include "scope/widgets/scope_window.h"

namespace corvane::apptest {
namespace {

TEST(CommSet, ShowsTheStoredChoicesAndOnlyCloseStoresThem) {
  PortDialog shown(PortSettings{3, 5, 2, 7});
  EXPECT_EQ(shown.windowTitle(), "Comm. Port Setup.");
  const auto checked = [&](const char* group) {
    for (QRadioButton* b : shown.findChild<QWidget*>(group)->findChildren<QRadioButton*>()) {
      if (b->isChecked()) return b->text().toStdString();
    }
    return std::string();
  };
  EXPECT_EQ(checked("RadioGroup1"), "COM 4");
  EXPECT_EQ(checked("RadioGroup2"), "38400 bps");
  EXPECT_EQ(checked("RadioGroup3"), "ODD");
  shown.reject();  // the close box
  EXPECT_FALSE(shown.stored().has_value());

  PortDialog closed(PortSettings{3, 5, 2, 7});
  closed.findChild<QWidget*>("RadioGroup2")->findChildren<QRadioButton*>()[1]->click();
  closed.findChild<QPushButton*>("ToolbarButton971")->click();
  EXPECT_EQ(closed.stored(), (PortSettings{3, 1, 2, 0}));
}

TEST(MainWindow, PortDialogReopensAPortThatFailedAtStart) {
  QuietPort port;
  MainRig rig;
  rig.writeIni("/nonexistent/tty", "COM2=" + port.path + "\n");
  MainWindow& m = rig.start();
  EXPECT_EQ(rig.ui.errors, std::vector<std::string>{"COM port setting error !"});
  EXPECT_FALSE(m.session().serialPort().connected());
  rig.ui.commAnswer = PortSettings{1, 5, 0, 0};
  m.editPortSettings();
  EXPECT_TRUE(m.session().serialPort().connected());
  EXPECT_EQ(m.settings().port, 1);
  EXPECT_EQ(m.settings().baud, 5);
  EXPECT_EQ(rig.ui.errors.size(), 1u);
}

TEST(MainWindow, HelpOpensTheManualOrSaysWhereItShouldBe) {
  QuietPort port;
  MainRig rig;
  rig.writeIni(port.path);
  MainWindow& m = rig.start();
  m.menus().helpAction->trigger();
  ASSERT_EQ(rig.ui.infos.size(), 2u);
  EXPECT_NE(rig.ui.infos[1].find(rig.file("Corvane.html").string()), std::string::npos);
  writeAll(rig.file("Corvane.html"), "<html></html>");
  m.menus().helpAction->trigger();
  EXPECT_EQ(rig.ui.opened, std::vector<std::string>{rig.file("Corvane.html").string()});
}

// Boxes come one after another, each once, however they were asked for: a box's own event loop
// must not open the next one over it.
TEST(MainWindow, TheSessionsBoxesComeOneAtATimeAndNeverTwiceTheSame) {
  QuietPort port;
  MainRig rig;
  rig.writeIni(port.path);
  MainWindow& m = rig.start();
  rig.ui.errors.clear();
  int open = 0, mostOpen = 0;
  rig.ui.onError = [&](const std::string& text) {
    mostOpen = std::max(mostOpen, ++open);
    if (text == "first") m.showError("first");  // asked again while it is on screen
    QTest::qWait(20);                           // the box's own event loop
    --open;
  };
  m.showError("first");
  m.showErrorDetail("second", "why");
  m.showError("first");
  EXPECT_TRUE(rig.ui.errors.empty());  // nothing from inside the caller
  EXPECT_TRUE(QTest::qWaitFor([&] { return rig.ui.errors.size() == 2; }, 2000));
  QTest::qWait(50);
  EXPECT_EQ(rig.ui.errors, (std::vector<std::string>{"first", "second"}));
  EXPECT_EQ(rig.ui.errorDetails, (std::vector<std::string>{"", "why"}));
  EXPECT_EQ(mostOpen, 1);
}

TEST(MainWindow, SerialCaptureWithoutAnswerUnlocksButKeepsSaveAsDisabled) {
  QuietPort port;
  MainRig rig;
  rig.writeIni(port.path);
  MainWindow& m = rig.start();
  ScopeWindow* w = m.scopeWindow(0);
  w->findChild<QTabWidget*>("PageControl1")->setCurrentIndex(1);
  auto* capture = w->findChild<QPushButton*>("BMPCapt");
  auto* saveAs = w->findChild<QPushButton*>("BMPSave");
  capture->click();
  EXPECT_FALSE(capture->isEnabled());
  EXPECT_FALSE(m.menus().saveAction->isEnabled());
  EXPECT_TRUE(QTest::qWaitFor([&] { return !rig.ui.errors.empty(); }, 3000));
  EXPECT_EQ(rig.ui.errors, std::vector<std::string>{"Receive time out."});
  EXPECT_TRUE(QTest::qWaitFor([&] { return capture->isEnabled(); }, 1000));
  EXPECT_TRUE(m.menus().saveAction->isEnabled());
  EXPECT_FALSE(saveAs->isEnabled());
}

// A capture belongs to the window that asked for it: its time-out re-enables that window's
// "&Capture", though another window became active meanwhile.
TEST(MainWindow, ACapturesTimeOutReachesTheWindowThatAskedWhicheverIsActive) {
  QuietPort port;
  MainRig rig;
  rig.writeIni(port.path);
  MainWindow& m = rig.start();
  m.newScopeWindow();
  ScopeWindow* asking = m.scopeWindow(0);
  ScopeWindow* other = m.scopeWindow(1);
  asking->becomeActive();
  asking->captureInstrumentScreen();
  EXPECT_FALSE(asking->captureButtonEnabled());
  other->becomeActive();
  ASSERT_EQ(m.activeSlot(), 1);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !rig.ui.errors.empty(); }, 3000));
  EXPECT_EQ(rig.ui.errors, std::vector<std::string>{"Receive time out."});
  EXPECT_TRUE(asking->captureButtonEnabled());
  EXPECT_TRUE(other->captureButtonEnabled());
  EXPECT_TRUE(m.menus().saveAction->isEnabled());
}

// The loop started in window 1 stops when window 2 closes, and window 1 shows it; a lost USB
// device stops the loop before its box is shown, and one box is shown for it.
TEST(MainWindow, TheLoopsWindowShowsEveryStopAndTheUnplugBoxComesAfterIt) {
  QuietPort port;
  MainRig rig;
  rig.writeIni(port.path);
  rig.usb->present = true;
  MainWindow& m = rig.start();
  m.newScopeWindow();
  ScopeWindow* running = m.scopeWindow(0);
  auto* run = running->findChild<QPushButton*>("BitBtn1");
  auto* setup = running->findChild<QPushButton*>("ToolbarButton971");
  running->becomeActive();
  running->startSetupLoad();  // RUN is usable once a load has ended, answered or not
  ASSERT_TRUE(QTest::qWaitFor([&] { return m.session().loadFinished(); }, 5000));
  rig.ui.errors.clear();
  QTest::mouseClick(run, Qt::LeftButton);
  ASSERT_TRUE(m.session().loopRunning());
  EXPECT_EQ(run->text(), "STOP");
  EXPECT_FALSE(setup->isEnabled());
  m.scopeWindow(1)->parentWidget()->close();
  QApplication::processEvents();
  EXPECT_FALSE(m.session().loopRunning());
  EXPECT_EQ(run->text(), "RUN");
  EXPECT_TRUE(run->isEnabled());
  EXPECT_TRUE(setup->isEnabled());

  m.chooseUsbLink();
  ASSERT_TRUE(QTest::qWaitFor([&] { return m.session().usbActive(); }, 1000));
  running->toggleRealTimeLoop();
  ASSERT_TRUE(m.session().loopRunning());
  bool loopRanAtTheBox = true;
  QString runCaptionAtTheBox;
  const std::string unplugged = "USB device is disable.";
  rig.ui.onError = [&](const std::string& text) {
    if (text != unplugged) return;
    loopRanAtTheBox = m.session().loopRunning();
    runCaptionAtTheBox = run->text();
  };
  auto unplugBoxes = [&] {
    return std::count(rig.ui.errors.begin(), rig.ui.errors.end(), unplugged);
  };
  rig.usb->lost = true;
  EXPECT_TRUE(QTest::qWaitFor([&] { return unplugBoxes() > 0; }, 2000));
  QTest::qWait(50);
  EXPECT_EQ(unplugBoxes(), 1);  // the silent instrument may add "Receive time out." meanwhile
  EXPECT_FALSE(loopRanAtTheBox);
  EXPECT_EQ(runCaptionAtTheBox, "RUN");
  EXPECT_FALSE(run->isEnabled());  // the active window's RUN, as after every unplug
}

}  // namespace
}  // namespace corvane::apptest
