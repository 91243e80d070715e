#include "app/port_dialog.h"

#include <termios.h>

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "app/main_menus.h"
#include "app_test_support.h"

namespace corvane::apptest {
namespace {

void click(QWidget* dialog, const char* group, const QString& caption) {
  for (auto* b : dialog->findChild<QWidget*>(group)->findChildren<QRadioButton*>()) {
    if (b->text() == caption) QTest::mouseClick(b, Qt::LeftButton);
  }
}

// The line's rate and whether parity is odd (a pseudo-terminal drops PARENB but keeps PARODD);
// `reset` sets it back to 1200 bit/s without parity.
std::pair<speed_t, bool> lineOf(const QuietPort& port, bool reset = false) {
  termios t{};
  ::tcgetattr(port.slave, &t);
  const std::pair<speed_t, bool> line{cfgetospeed(&t), (t.c_cflag & PARODD) != 0};
  if (reset) {
    cfsetspeed(&t, B1200);
    t.c_cflag &= ~tcflag_t(PARODD);
    ::tcsetattr(port.slave, TCSANOW, &t);
  }
  return line;
}

// A pseudo-terminal typed into the dialog for COM 2 (behind a by-id link, as a USB adapter would
// be) is stored under its stable name, opened at 19200 bit/s odd parity, and opened so again
// after a restart.
TEST(PortDialog, ADeviceChosenForCom2IsStoredOpenedAndKeptAcrossARestart) {
  QuietPort com1, adapter;
  MainRig rig;
  rig.writeIni(com1.path, "; mine\n");
  const fs::path link = rig.file("usb-Corvane_KV2040_A1B2C3-if00-port0");
  fs::create_symlink(adapter.path, link);
  SerialDeviceInfo listed;
  listed.path = adapter.path;
  listed.kernelName = "ttyUSB7";
  listed.stableName = link.string();
  listed.vendorId = "0403";
  listed.productId = "6001";
  listed.serialNumber = "A1B2C3";

  QString shownForCom1, shownForUsb;
  rig.ui.commDialog = [&](QWidget* parent, const PortChoice& current) {
    PortDialog d(current.settings, current.devices, {listed}, parent);
    d.show();
    shownForCom1 = d.comDeviceChoice(1)->currentText();
    shownForUsb = d.usbDeviceChoice()->currentText();
    EXPECT_EQ(d.usbDeviceChoice()->itemText(1),
              QString::fromUtf8("ttyUSB7 \u2013 USB 0403:6001, serial A1B2C3"));
    click(&d, "RadioGroup1", "COM 2");
    click(&d, "RadioGroup2", "19200 bps");
    click(&d, "RadioGroup3", "ODD");
    QLineEdit* typed = d.comDeviceChoice(2)->lineEdit();
    QTest::keyClick(typed, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(typed, QString::fromStdString(adapter.path));
    QTest::mouseClick(d.findChild<QPushButton*>("ToolbarButton971"), Qt::LeftButton);
    return std::optional<PortChoice>(PortChoice{*d.stored(), *d.storedDevices()});
  };

  MainWindow& m = rig.start();
  m.menus().portSettingsAction->trigger();
  EXPECT_EQ(shownForCom1, QString::fromStdString(com1.path));
  EXPECT_EQ(shownForUsb, "First FTDI device");
  EXPECT_TRUE(rig.ui.errors.empty());
  EXPECT_EQ(m.settings().comPorts.path(2), link.string());
  EXPECT_TRUE(m.session().serialPort().connected());
  EXPECT_EQ(lineOf(adapter), std::make_pair(speed_t(B19200), true));
  // Stored at once, with the hand-written lines as they were.
  EXPECT_EQ(readAll(rig.file("KV2040.ini")),
            "[Devices]\nCOM1=" + com1.path + "\nCOM2=" + link.string() + "\n; mine\n");

  m.exitProgram();
  const std::string saved = readAll(rig.file("KV2040.ini"));
  EXPECT_NE(saved.find("\nPort=1\nBaud rates=4\nParity Bits=2\n"), std::string::npos) << saved;
  lineOf(adapter, true);
  rig.main.reset();
  MainWindow& again = rig.start();
  EXPECT_TRUE(rig.ui.errors.empty());
  EXPECT_EQ(again.settings().comPorts.path(2), link.string());
  EXPECT_TRUE(again.session().serialPort().connected());
  EXPECT_EQ(lineOf(adapter), std::make_pair(speed_t(B19200), true));
}

}  // namespace
}  // namespace corvane::apptest
