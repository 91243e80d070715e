#include <QAbstractButton>
#include <QButtonGroup>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

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

}  // namespace
}  // namespace corvane::apptest
