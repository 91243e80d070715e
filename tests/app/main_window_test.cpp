#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>

#include <QAction>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include "app/main_menus.h"
#include "app_test_support.h"
#include "scope/display_render.h"
#include "scope/widgets/scope_window.h"
#include "storage/data_file.h"
#include "tests/support/sim_process.h"

namespace corvane::apptest {
namespace {

std::string blockBytes(const WaveformBlock& b) {
  return std::string(reinterpret_cast<const char*>(b.bytes.data()), b.bytes.size());
}

QString title(MainWindow& m, int slot) {
  return m.scopeWindow(slot)->windowTitle();
}

TEST(MainWindow, FirstStartOpensOneEmptyWindowAndExitWritesRecordAndDefaults) {
  QuietPort port;
  MainRig rig;
  rig.writeIni(port.path, "; kept\n[Mine]\nx=1\n");
  MainWindow& m = rig.start();

  EXPECT_EQ(rig.ui.infos, std::vector<std::string>{"USB is not available."});
  EXPECT_TRUE(rig.ui.errors.empty());
  EXPECT_FALSE(m.menus().usbLinkAction->isEnabled());
  EXPECT_TRUE(m.menus().serialLinkAction->isChecked());
  EXPECT_EQ(m.frameRateLabel()->text(), "FrameRate = ");
  EXPECT_EQ(m.windowTitle(), "Corvane ");
  ASSERT_TRUE(m.slotInUse(0));
  EXPECT_FALSE(m.slotInUse(1));
  EXPECT_EQ(title(m, 0), "Corvane - 1");
  EXPECT_TRUE(m.session().serialPort().connected());

  m.scopeWindow(0)->setNotesLines({"bench 3", "probe x10"});
  const std::string shown = blockBytes(m.scopeWindow(0)->record());
  m.exitProgram();
  EXPECT_TRUE(readAll(rig.file("OSCTEMP.DSO")) == shown);
  EXPECT_EQ(readAll(rig.file("OSCTEMP.TXT")), "bench 3\r\nprobe x10\r\n");
  EXPECT_EQ(readAll(rig.file("KV2040.ini")),
            "[Devices]\nCOM1=" + port.path +
                "\n; kept\n[Mine]\nx=1\n"
                "\n[COMM Set]\nPort=0\nBaud rates=2\nParity Bits=1\nStop Bits=0\n"
                "\n[Color Setup]\nCh1 Color=16777215\nCh2 Color=16777215\nMerge Color=16777215\n"
                "Cursor Color=16777215\nRecall Color=16777215\nGrid Color=7829367\n"
                "GoNoGo Color=7829367\n"
                "\n[Delay]\nLevel=500\n"
                "\n[Printer Information]\nWave Form=1\nCorvane notes=1\n");
}

TEST(MainWindow, RestoreChoosesUsbOnlyWhenTheRecordSaysSoAndUsbOpened) {
  QuietPort port;
  WaveformBlock saved = MakeNewWindowRecord();
  saved.setLinkUsb(1);
  saved.setTimeDivIndex(7);
  for (bool usbPresent : {true, false}) {
    MainRig rig;
    rig.writeIni(port.path);
    rig.usb->present = usbPresent;
    writeAll(rig.file("OSCTEMP.DSO"), blockBytes(saved));
    writeAll(rig.file("OSCTEMP.TXT"), "restored\r\n");
    MainWindow& m = rig.start();
    ASSERT_TRUE(m.slotInUse(0));
    EXPECT_EQ(title(m, 0), "Corvane - 1");
    EXPECT_EQ(m.scopeWindow(0)->record().TimeDivIndex(), 7);
    EXPECT_EQ(m.scopeWindow(0)->notesLines(), std::vector<std::string>{"restored"});
    EXPECT_EQ(m.menus().usbLinkAction->isChecked(), usbPresent);
    EXPECT_EQ(m.session().linkChoice().usbChosen, usbPresent);
  }
}

TEST(MainWindow, WrongSizedRestoreOpensNothingAndLeavesTheFileAlone) {
  QuietPort port;
  MainRig rig;
  rig.writeIni(port.path);
  writeAll(rig.file("OSCTEMP.DSO"), std::string(18119, 'x'));
  MainWindow& m = rig.start();
  EXPECT_EQ(rig.ui.errors, std::vector<std::string>{"Data isn't verified.."});
  EXPECT_FALSE(m.anyScopeWindowInUse());
  m.exitProgram();
  EXPECT_TRUE(readAll(rig.file("OSCTEMP.DSO")) == std::string(18119, 'x'));
}

TEST(MainWindow, SlotsAreReusedLowestFirstAndAFullTableOpensNothing) {
  QuietPort port;
  MainRig rig;
  rig.writeIni(port.path);
  MainWindow& m = rig.start();
  m.newScopeWindow();
  m.newScopeWindow();
  EXPECT_EQ(title(m, 2), "Corvane - 3");
  m.scopeWindow(0)->parentWidget()->close();
  QApplication::processEvents();
  EXPECT_FALSE(m.slotInUse(0));
  m.newScopeWindow();
  EXPECT_EQ(m.activeSlot(), 0);
  EXPECT_EQ(title(m, 0), "Corvane - 1");
  for (int i = 0; i < 8; ++i) m.newScopeWindow();
  EXPECT_EQ(m.openScopeWindow(), 10 + 1 - 12);  // -1: all eleven in use
  m.scopeWindow(4)->becomeActive();
  m.newScopeWindow();
  EXPECT_EQ(m.activeSlot(), 4);
  EXPECT_EQ(m.targetSlot(), 4);
}

TEST(MainWindow, OpenRefusesWrongSizesAndSaveWritesThePair) {
  QuietPort port;
  MainRig rig;
  rig.writeIni(port.path);
  MainWindow& m = rig.start();
  for (std::size_t size : {18119u, 18121u}) {
    writeAll(rig.file("bad.DSO"), std::string(size, '\0'));
    rig.ui.fileAnswers = {rig.file("bad.DSO").string()};
    m.openDataFile();
  }
  EXPECT_EQ(rig.ui.errors,
            (std::vector<std::string>{"Data isn't verified..", "Data isn't verified.."}));
  EXPECT_FALSE(m.slotInUse(1));

  WaveformBlock b = MakeNewWindowRecord();
  b.setTimeDivIndex(3);
  writeAll(rig.file("run.dso"), blockBytes(b));
  writeAll(rig.file("run.TXT"), "a\r\nb\r\n");
  rig.ui.fileAnswers = {rig.file("run.dso").string()};
  m.openDataFile();
  ASSERT_TRUE(m.slotInUse(1));
  EXPECT_EQ(m.activeSlot(), 1);
  EXPECT_EQ(title(m, 1).toStdString(), rig.file("run.dso").string());
  EXPECT_EQ(m.scopeWindow(1)->notesLines(), (std::vector<std::string>{"a", "b"}));

  rig.ui.fileAnswers = {rig.file("copy.data").string()};
  m.saveDataFile();
  EXPECT_EQ(readAll(rig.file("copy.data")).size(), 18120u);
  EXPECT_EQ(readAll(rig.file("copy.dTXT")), "a\r\nb\r\n");
  EXPECT_EQ(title(m, 1).toStdString(), rig.file("copy.data").string());
}

TEST(MainWindow, ExitStillSavesSettingsWhenTheRecordCannotBeWritten) {
  QuietPort port;
  MainRig rig;
  rig.writeIni(port.path);
  MainWindow& m = rig.start();
  fs::create_directory(rig.file("OSCTEMP.DSO"));  // a folder where the record should go
  m.exitProgram();
  ASSERT_EQ(rig.ui.errors.size(), 1u);
  EXPECT_NE(rig.ui.errors[0].find("OSCTEMP.DSO"), std::string::npos) << rig.ui.errors[0];
  EXPECT_NE(readAll(rig.file("KV2040.ini")).find("Wave Form=1"), std::string::npos);
}

TEST(MainWindow, KeysWorkWithoutWindowsAndNotesKeepTheirOwnCut) {
  QuietPort port;
  MainRig rig;
  rig.writeIni(port.path);
  MainWindow& m = rig.start();
  // The menus' shortcuts reach every control of a scope window.
  rig.ui.fileAnswers = {rig.file("keys.DSO").string()};
  QTest::keyClick(m.scopeWindow(0)->findChild<QWidget*>("ComboBox2"), Qt::Key_S,
                  Qt::ControlModifier);
  EXPECT_EQ(readAll(rig.file("keys.DSO")).size(), 18120u);
  auto* memo = m.scopeWindow(0)->findChild<QPlainTextEdit*>("Memo1");
  ASSERT_NE(memo, nullptr);
  m.scopeWindow(0)->findChild<QTabWidget*>("PageControl1")->setCurrentIndex(2);
  memo->setFocus();
  memo->selectAll();
  QTest::keyClick(memo, Qt::Key_X, Qt::ControlModifier);
  EXPECT_TRUE(m.isVisible());
  EXPECT_TRUE(memo->toPlainText().isEmpty());
  rig.ui.fileAnswers = {rig.file("keys.DSO").string()};
  QTest::keyClick(memo, Qt::Key_O, Qt::ControlModifier);
  ASSERT_TRUE(m.slotInUse(1));

  m.scopeWindow(1)->parentWidget()->close();
  m.scopeWindow(0)->parentWidget()->close();
  QApplication::processEvents();
  ASSERT_FALSE(m.anyScopeWindowInUse());
  m.focusHiddenEdit();
  QWidget* focusHolder = m.findChild<QWidget*>("Edit1");
  QTest::keyClick(focusHolder, Qt::Key_N, Qt::ControlModifier);
  EXPECT_TRUE(m.slotInUse(0));
}

// The display size comes from the settings, follows the View menu and its keys in every window
// (frame included), and goes back into the file it came from.
TEST(MainWindow, DisplayScaleFromSettingsViewMenuAndKeys) {
  QuietPort port;
  MainRig rig;
  rig.writeIni(port.path, "[Display]\nScale=2\n");
  MainWindow& m = rig.start();
  ScopeWindow* w = m.scopeWindow(0);
  EXPECT_EQ(w->size(), QSize(600 + 321, 484 + 255));
  EXPECT_TRUE(m.menus().displayScale2Action->isChecked());
  QWidget* frame = w->parentWidget();
  EXPECT_GE(frame->width(), 921);

  QWidget* box = w->findChild<QWidget*>("ComboBox2");
  QTest::keyClick(box, Qt::Key_Equal, Qt::ControlModifier);
  EXPECT_EQ(w->size(), QSize(600 + 642, 484 + 510));
  EXPECT_GE(frame->height(), 994);
  EXPECT_FALSE(m.menus().zoomInAction->isEnabled());
  m.newScopeWindow();
  EXPECT_EQ(m.scopeWindow(1)->displayScale(), 3);
  QTest::keyClick(box, Qt::Key_Minus, Qt::ControlModifier);
  QTest::keyClick(box, Qt::Key_Minus, Qt::ControlModifier);
  EXPECT_EQ(w->size(), QSize(600, 484));
  EXPECT_EQ(m.scopeWindow(1)->size(), QSize(600, 484));
  frame->adjustSize();
  EXPECT_LT(frame->width(), 700);
  EXPECT_TRUE(m.menus().displayScale1Action->isChecked());
  m.menus().displayScale3Action->trigger();
  EXPECT_EQ(w->displayScale(), 3);
  m.menus().displayScale1Action->trigger();
  m.exitProgram();
  EXPECT_NE(readAll(rig.file("KV2040.ini")).find("[Display]\nScale=1\n"), std::string::npos);
}

// The whole road against the simulated instrument on its pseudo-terminal at 38,400 bit/s.
TEST(MainWindow, SetupLoadAndRunAgainstTheSimulator) {
  test_support::SimProcess sim({"--baud", "38400"});
  ASSERT_FALSE(sim.path().empty());
  MainRig rig;
  rig.writeIni(sim.path(), "[COMM Set]\nBaud rates=5\nParity Bits=1\n");
  MainWindow& m = rig.start();
  ASSERT_TRUE(rig.ui.errors.empty());
  ScopeWindow* w = m.scopeWindow(0);
  auto* setup = w->findChild<QPushButton*>("ToolbarButton971");
  auto* run = w->findChild<QPushButton*>("BitBtn1");
  QTest::mouseClick(setup, Qt::LeftButton);
  EXPECT_FALSE(m.session().loadFinished());
  EXPECT_FALSE(m.menus().newAction->isEnabled());
  EXPECT_TRUE(m.menus().helpAction->isEnabled());
  EXPECT_TRUE(m.menus().exitAction->isEnabled());
  EXPECT_TRUE(QTest::qWaitFor([&] { return m.session().loadFinished(); }, 8000));
  EXPECT_TRUE(rig.ui.errors.empty());
  EXPECT_TRUE(m.menus().newAction->isEnabled());
  // The simulator's CH1 is a 1 kHz square wave at 0.5 ms/div.
  EXPECT_TRUE(QRegularExpression("^(0\\.99|1\\.0[0-2])KHz$")
                  .match(w->findChild<QLabel*>("CFREQCH1")->text())
                  .hasMatch())
      << w->findChild<QLabel*>("CFREQCH1")->text().toStdString();
  // The last frame sent shows its STX and ETX as something a reader can see.
  const QString lastSent = m.findChild<QLabel*>("TxStr")->text();
  EXPECT_TRUE(
      QRegularExpression("^(\u2402|<STX>)[0-9A-F]+(\u2403|<ETX>)").match(lastSent).hasMatch())
      << lastSent.toStdString();
  ASSERT_TRUE(run->isEnabled());

  QTest::mouseClick(run, Qt::LeftButton);
  EXPECT_EQ(run->text(), "STOP");
  EXPECT_FALSE(m.menus().newAction->isEnabled());
  EXPECT_FALSE(m.menus().portSettingsAction->isEnabled());
  EXPECT_TRUE(m.menus().saveAction->isEnabled());
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return m.frameRateLabel()->text().size() > QString("FrameRate = ").size(); }, 10000));
  QTest::mouseClick(run, Qt::LeftButton);
  EXPECT_EQ(run->text(), "RUN");
  EXPECT_TRUE(m.menus().newAction->isEnabled());

  m.exitProgram();
  EXPECT_TRUE(readAll(rig.file("OSCTEMP.DSO")) == blockBytes(w->record()));
  EXPECT_NE(readAll(rig.file("KV2040.ini")).find("Baud rates=5"), std::string::npos);
}

// A device that cannot serve as COM1 keeps the classic box; its detail names the device and why.
TEST(MainWindow, AnUnopenableDeviceSaysWhyInTheBoxDetail) {
  QuietPort held;
  ASSERT_FALSE(held.path.empty());
  // A second process holds the pseudo-terminal, as a terminal program would.
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t holder = ::fork();
  if (holder == 0) {
    const int fd = ::open(held.path.c_str(), O_RDWR | O_NOCTTY);
    if (fd >= 0 && ::flock(fd, LOCK_EX) == 0) (void)!::write(ready[1], "x", 1);
    ::pause();
    ::_exit(0);
  }
  char c = 0;
  ASSERT_EQ(::read(ready[0], &c, 1), 1);
  ::close(ready[0]);
  ::close(ready[1]);

  const std::string choose = "choose another device (corvane-cli ports lists them).";
  const char* plainFile = "plain.txt";
  struct Case {
    std::string device;  // empty: the rig's plain file
    std::string reason;
  };
  const Case cases[] = {
      {"",
       ": it is a regular file, not a serial device. " + std::string(1, 'C') + choose.substr(1)},
      {"/dev/corvane-no-such-tty", ": there is no such device. Plug the adapter in, or " + choose},
      {held.path, ": it is in use by "},
  };
  for (const Case& k : cases) {
    MainRig rig;
    const std::string device = k.device.empty() ? rig.file(plainFile).string() : k.device;
    writeAll(rig.file(plainFile), "not a tty\n");
    rig.writeIni(device);
    MainWindow& m = rig.start();
    EXPECT_EQ(rig.ui.errors, std::vector<std::string>{"COM port setting error !"}) << device;
    ASSERT_EQ(rig.ui.errorDetails.size(), 1u);
    const std::string& detail = rig.ui.errorDetails[0];
    EXPECT_EQ(detail.substr(0, device.size() + k.reason.size()), device + k.reason);
    EXPECT_FALSE(m.session().serialPort().connected());
    EXPECT_TRUE(m.linkHealthLabel()->toolTip().startsWith(
        QString::fromStdString("Serial link " + device + " absent, 0 time-outs, 0 bytes")));
    EXPECT_FALSE(m.linkHealthTick()->isActive());
    if (k.device == held.path) {
      EXPECT_NE(detail.find("(process " + std::to_string(holder) + ")"), std::string::npos)
          << detail;
    }
  }
  ::kill(holder, SIGKILL);
  ::waitpid(holder, nullptr, 0);
}

// The simulator goes away during RUN: one box names the device and the hang-up, the port is
// closed, the loop stops and no "Receive time out." follows; the health section shows it absent
// and stops ageing; the device's return opens the port again. A simulator that loses every third
// request shows in the health section too.
TEST(MainWindow, ALostSerialDeviceIsReportedOnceAndTheHealthSectionCountsFaults) {
  MainRig rig;
  // A stable name, as /dev/serial/by-id gives an adapter.
  const std::string device = rig.file("kv2040").string();
  test_support::SimProcess sim({"--baud", "38400", "--drop-every", "3", "--link", device});
  ASSERT_FALSE(sim.path().empty());
  rig.writeIni(device, "[COMM Set]\nBaud rates=5\nParity Bits=1\n");
  MainWindow& m = rig.start();
  ASSERT_TRUE(rig.ui.errors.empty());
  EXPECT_EQ(m.linkHealthLabel()->objectName(), "LinkHealth");

  QTest::mouseClick(m.scopeWindow(0)->findChild<QPushButton*>("ToolbarButton971"), Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return m.session().loadFinished(); }, 8000));
  // A reply given up on may still be on its way: the noise below goes in on a quiet line.
  for (int64_t seen = -1; seen != m.session().exchange().framer.RXTotal();) {
    seen = m.session().exchange().framer.RXTotal();
    QTest::qWait(600);
  }
  // At least one request went unanswered.
  const LinkHealth loaded = m.session().linkHealth();
  EXPECT_GE(loaded.timeouts, 1u);
  // Bytes outside any frame and a frame too short for its header.
  const std::string noise =
      "zz\x02"
      "12\x03";
  m.session().receiveData(nullptr, reinterpret_cast<const uint8_t*>(noise.data()),
                          static_cast<int32_t>(noise.size()));
  EXPECT_EQ(m.session().linkHealth().discardedBytes, loaded.discardedBytes + 6);
  const QRegularExpression words(
      "^Serial link /tmp/corvane-app-[^ ]+/kv2040 open, last reply [0-9]+\\.[0-9] s ago, ([0-9]+) "
      "time-outs?, "
      "([0-9]+) bytes discarded$");
  QRegularExpressionMatch shown;
  EXPECT_TRUE(QTest::qWaitFor(
      [&] {
        shown = words.match(m.linkHealthLabel()->toolTip());
        return shown.hasMatch() && shown.captured(2).toULongLong() == loaded.discardedBytes + 6;
      },
      2000))
      << m.linkHealthLabel()->toolTip().toStdString();
  EXPECT_EQ(shown.captured(1).toULongLong(), loaded.timeouts);
  EXPECT_EQ(m.linkHealthLabel()->accessibleName(), m.linkHealthLabel()->toolTip());
  EXPECT_TRUE(
      m.linkHealthLabel()->text().endsWith(QString(" B discarded").prepend(shown.captured(2))))
      << m.linkHealthLabel()->text().toStdString();
  EXPECT_TRUE(m.linkHealthTick()->isActive());

  auto* run = m.scopeWindow(0)->findChild<QPushButton*>("BitBtn1");
  QTest::mouseClick(run, Qt::LeftButton);
  ASSERT_TRUE(m.session().loopRunning());
  rig.ui.errors.clear();
  rig.ui.errorDetails.clear();
  sim.kill(SIGKILL);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !rig.ui.errors.empty(); }, 3000));
  const int64_t sent = m.session().sender().TXTotal();
  QTest::qWait(1500);  // three loop time-outs' worth: nothing more may come
  EXPECT_EQ(rig.ui.errors, std::vector<std::string>{"COM port setting error !"});
  ASSERT_EQ(rig.ui.errorDetails.size(), 1u);
  EXPECT_EQ(rig.ui.errorDetails[0].substr(0, device.size() + 25),
            device + ": the device hung up (Inp")
      << rig.ui.errorDetails[0];
  EXPECT_FALSE(m.session().serialPort().connected());
  EXPECT_FALSE(m.session().loopRunning());
  EXPECT_EQ(run->text(), "RUN");
  EXPECT_EQ(m.session().sender().TXTotal(), sent);
  EXPECT_TRUE(
      QTest::qWaitFor([&] { return m.linkHealthLabel()->toolTip().contains(" absent, "); }, 1000));
  EXPECT_FALSE(m.linkHealthTick()->isActive());

  test_support::SimProcess back({"--baud", "38400", "--link", device});
  ASSERT_FALSE(back.path().empty());
  EXPECT_TRUE(QTest::qWaitFor([&] { return m.session().serialPort().connected(); }, 3000));
  EXPECT_EQ(m.session().serialPort().devicePath(), device);
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return m.linkHealthLabel()->text().startsWith("kv2040 open · "); }, 1000))
      << m.linkHealthLabel()->text().toStdString();
  EXPECT_EQ(rig.ui.errors.size(), 1u);
}

}  // namespace
}  // namespace corvane::apptest
