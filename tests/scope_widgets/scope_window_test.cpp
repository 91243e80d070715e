#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "scope/display_compose.h"
#include "scope/display_render.h"
#include "scope/widgets/scope_display.h"
#include "storage/record_csv.h"
#include "tests/scope_widgets/fake_scope_host.h"

namespace corvane {
namespace {

using Send = testing::FakeScopeHost::Send;

class ScopeWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "scope_widgets_tests";
    static char* argv[] = {name, nullptr};
    if (!qApp) new QApplication(argc, argv);
  }
  ScopeWindow& open(int slot) {
    auto* w = new ScopeWindow(host, slot);
    owned.emplace_back(w);
    host.windows[slot] = w;
    w->show();
    return *w;
  }
  template <typename T = QWidget>
  static T* at(ScopeWindow& w, const char* name) {
    T* child = w.findChild<T*>(name);
    EXPECT_NE(child, nullptr) << name;
    return child;
  }
  static QString text(ScopeWindow& w, const char* name) { return at<QLabel>(w, name)->text(); }
  static void press(QWidget* area, int x, int y, Qt::MouseButton b = Qt::LeftButton) {
    QTest::mousePress(area, b, {}, QPoint(x, y));
  }
  static void move(QWidget* area, int x, int y) {
    QMouseEvent e(QEvent::MouseMove, QPointF(x, y), area->mapToGlobal(QPointF(x, y)), Qt::NoButton,
                  Qt::LeftButton, {});
    QApplication::sendEvent(area, &e);
  }
  std::filesystem::path tempDir() {
    auto dir =
        std::filesystem::temp_directory_path() /
        ("corvane_scope_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir);
    return dir;
  }
  static std::string readFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }

  testing::FakeScopeHost host;
  std::vector<std::unique_ptr<ScopeWindow>> owned;
};

TEST_F(ScopeWindowTest, NewWindowShowsInitialRecordAndItsExactPicture) {
  ScopeWindow& w = open(0);
  EXPECT_EQ(w.size(), QSize(600, 484));
  EXPECT_EQ(text(w, "CPPCH1"), "0.0mV");
  EXPECT_EQ(text(w, "CPPCH2"), "0.0mV");
  EXPECT_EQ(text(w, "CRMSCH1"), "???");
  EXPECT_EQ(text(w, "C1A"), "2 mV");
  EXPECT_EQ(text(w, "CT1"), "2 ns");
  EXPECT_TRUE(at<QRadioButton>(w, "RadioButton3")->isChecked());  // FULL
  EXPECT_FALSE(at<QPushButton>(w, "BitBtn1")->isEnabled());
  EXPECT_FALSE(at<QPushButton>(w, "BMPSave")->isEnabled());
  EXPECT_TRUE(at<QPlainTextEdit>(w, "Memo1")->toPlainText().startsWith("Corvane - Notes..   20"));

  WaveformBlock record = MakeNewWindowRecord();
  WindowState state;
  AcceptArrivingRecord(record, state);
  DisplayBitmap expected;
  ComposeDisplay(expected, record, state, host.palette);
  EXPECT_TRUE(w.displayBitmap() == expected);
  EXPECT_EQ(expected.pixel(100, 70), 0xFFFFFFu);  // CH1's flat trace

  // What the display area paints is the bitmap, pixel for pixel.
  auto* area = at<ScopeDisplay>(w, "PaintBox1");
  EXPECT_EQ(area->accessibleName(), "Waveform display");
  const QImage shown = area->grab().toImage().convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(shown.size(), QSize(321, 255));
  int differing = 0;
  for (int y = 0; y < 254; ++y)
    for (int x = 0; x < 321; ++x) {
      const uint32_t p = expected.pixel(x, y);
      differing += shown.pixel(x, y) != qRgb(int(p & 0xFF), int(p >> 8 & 0xFF), int(p >> 16));
    }
  EXPECT_EQ(differing, 0);

  for (const char* name : {"PaintBox1", "ScrollBar1", "CT2", "CWIDMCH2", "C_DY2", "ComboBox4",
                           "RadioButton1", "ToolbarButton971", "BitBtn1", "BMPSave", "BMPCapt",
                           "Image5", "Memo1", "PageControl1", "PopupMenu1"}) {
    EXPECT_EQ(at(w, name)->accessibleDescription(), name);
  }
  EXPECT_EQ(at(w, "BMPSave")->accessibleName(), "Save As");
}

TEST_F(ScopeWindowTest, ArrivalSetsBoxesLabelsAndGridAndSurvivesOutOfTableBytes) {
  ScopeWindow& w = open(0);
  WaveformBlock r = MakeNewWindowRecord();
  r.setCh1VoltDivIndex(7);
  r.setCh1Probe(1);
  r.setTimeDivIndex(17);
  r.setGridKind(1);
  r.setTriggerSource(2);
  r.setTriggerLevel(1000);
  w.receiveRecord(r);
  auto* box2 = at<QComboBox>(w, "ComboBox2");
  EXPECT_EQ(box2->count(), 11);
  EXPECT_EQ(box2->itemText(0), "20 mV");
  EXPECT_EQ(box2->currentText(), "5 V");
  EXPECT_EQ(text(w, "C1A"), "5 V");
  EXPECT_EQ(at<QComboBox>(w, "ComboBox4")->count(), 18);
  EXPECT_EQ(at<QComboBox>(w, "ComboBox4")->currentText(), "1 ms");
  EXPECT_EQ(text(w, "CT1"), "1 ms");
  EXPECT_TRUE(at<QRadioButton>(w, "RadioButton2")->isChecked());  // CROSS
  EXPECT_EQ(w.windowState().triggerLevel, 325);

  r.setCh1VoltDivIndex(40);
  r.setTimeDivIndex(200);
  w.receiveRecord(r);
  EXPECT_EQ(box2->currentIndex(), -1);
  EXPECT_EQ(text(w, "C1A"), "???");
  EXPECT_EQ(text(w, "C_DX"), "???");
  EXPECT_EQ(text(w, "C_DY2"), "6.67mV");
  // Choosing a scale brings the readouts back.
  at<QComboBox>(w, "ComboBox4")->setCurrentIndex(8);
  EXPECT_EQ(text(w, "C_DX"), "3.33us");
}

TEST_F(ScopeWindowTest, MarkerTagAndCursorDragsSendWhatTheyShould) {
  ScopeWindow& w = open(0);
  auto* area = at(w, "PaintBox1");
  // Trigger position marker at column 12 (above the unseen "M" tag), released far beyond the
  // right edge.
  press(area, 12, 2);
  move(area, 40000, 2);
  QTest::mouseRelease(area, Qt::LeftButton, {}, QPoint(40000, 2));
  // "1" tag on row 70, released on row 100.
  press(area, 5, 70);
  move(area, 5, -40000);
  move(area, 5, 100);
  QTest::mouseRelease(area, Qt::LeftButton, {}, QPoint(5, 100));
  // Trigger level marker on row 130, released above the display.
  press(area, 316, 130);
  QTest::mouseRelease(area, Qt::LeftButton, {}, QPoint(316, -50));
  EXPECT_EQ(host.sends, (std::vector<Send>{{255, 3, false}, {200, 1, false}, {75, 4, false}}));
  EXPECT_EQ(w.windowState().ch1Position, 200);

  host.sends.clear();
  at<QComboBox>(w, "ComboBox1")->setCurrentIndex(1);  // Time
  EXPECT_EQ(text(w, "C_DX"), "6.67ns");
  press(area, 101, 150);
  move(area, 130, 150);
  EXPECT_EQ(text(w, "C_DX"), "4.67ns");
  move(area, -70000, 150);  // clamped to the data area
  QTest::mouseRelease(area, Qt::LeftButton, {}, QPoint(-70000, 150));
  EXPECT_EQ(w.windowState().cursors.x1, 12);
  EXPECT_TRUE(host.sends.empty());
}

// At 2x the area paints every bitmap pixel as a 2x2 square, the window grows by the display's
// growth, and the same drags (at twice the coordinates) send the same settings as at 1x.
TEST_F(ScopeWindowTest, DisplayAtTwiceIsTheBitmapDoubledAndDragsSendAsAtOnce) {
  ScopeWindow& w = open(0);
  w.setDisplayScale(2);
  EXPECT_EQ(w.size(), QSize(600 + 321, 484 + 255));
  auto* area = at<ScopeDisplay>(w, "PaintBox1");
  const QImage shown = area->grab().toImage().convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(shown.size(), QSize(642, 510));
  int differing = 0;
  for (int y = 0; y < 508; ++y)
    for (int x = 0; x < 642; ++x) {
      const uint32_t p = w.displayBitmap().pixel(x / 2, y / 2);
      differing += shown.pixel(x, y) != qRgb(int(p & 0xFF), int(p >> 8 & 0xFF), int(p >> 16));
    }
  EXPECT_EQ(differing, 0);
  // Beside the display: the contrast bar as tall as it, the buttons moved right, the
  // measurements moved down.
  EXPECT_EQ(at(w, "ScrollBar1")->geometry(), QRect(331 + 321, 4, 17, 259 + 255));
  EXPECT_EQ(at(w, "BitBtn1")->geometry().topLeft(), QPoint(352 + 122 + 321, 290));
  EXPECT_EQ(at(w, "CPPCH1")->mapTo(&w, QPoint()).y() - 255,
            open(1).findChild<QWidget*>("CPPCH1")->mapTo(host.windows[1], QPoint()).y());

  // The drags of MarkerTagAndCursorDragsSendWhatTheyShould, each coordinate doubled.
  press(area, 25, 5);
  QTest::mouseRelease(area, Qt::LeftButton, {}, QPoint(80000, 5));
  press(area, 11, 141);
  move(area, 11, 201);
  QTest::mouseRelease(area, Qt::LeftButton, {}, QPoint(11, 201));
  press(area, 633, 261);
  QTest::mouseRelease(area, Qt::LeftButton, {}, QPoint(633, -100));
  EXPECT_EQ(host.sends, (std::vector<Send>{{255, 3, false}, {200, 1, false}, {75, 4, false}}));
  w.setDisplayScale(7);  // not a size: back to 1
  EXPECT_EQ(w.size(), QSize(600, 484));
  EXPECT_EQ(area->size(), QSize(321, 255));
}

// Tab reaches the display after the page tabs and then walks its handles; the arrows drag the
// chosen one as the pointer would, Enter sends what a release sends, Escape sends nothing.
TEST_F(ScopeWindowTest, KeyboardDragsTheChosenHandleAndEnterSendsAsARelease) {
  ScopeWindow& w = open(0);
  w.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  auto* area = at<ScopeDisplay>(w, "PaintBox1");
  QTabBar* tabs = at<QTabWidget>(w, "PageControl1")->tabBar();
  tabs->setFocus(Qt::TabFocusReason);
  QTest::keyClick(tabs, Qt::Key_Tab);
  ASSERT_TRUE(area->hasFocus());
  EXPECT_EQ(area->readout(), "Trigger position 0");
  QTest::keyClick(area, Qt::Key_Tab);  // the trigger level marker
  QTest::keyClick(area, Qt::Key_Tab);
  EXPECT_EQ(area->readout(), "CH1 position 175");
  // Row 70 to row 100, as the mouse drag of the "1" tag: 10 + 10 + 10 pixels.
  for (int i = 0; i < 3; ++i) QTest::keyClick(area, Qt::Key_Down, Qt::ShiftModifier);
  EXPECT_EQ(area->readout(), "CH1 position 200");
  EXPECT_TRUE(host.sends.empty());
  QTest::keyClick(area, Qt::Key_Return);
  EXPECT_EQ(host.sends, (std::vector<Send>{{200, 1, false}}));
  QAccessibleInterface* display = QAccessible::queryAccessibleInterface(area);
  EXPECT_EQ(display->text(QAccessible::Value), "CH1 position 200");
  EXPECT_EQ(display->text(QAccessible::Name), "Waveform display, CH1 position 200");

  QTest::keyClick(area, Qt::Key_Up);  // moved, then abandoned
  QTest::keyClick(area, Qt::Key_Escape);
  EXPECT_EQ(w.windowState().ch1Position, 200);
  EXPECT_EQ(host.sends.size(), 1u);

  // The Time cursors join the handles; the readout follows the cursor's readouts.
  at<QComboBox>(w, "ComboBox1")->setCurrentIndex(1);
  area->setFocus();
  QTest::keyClick(area, Qt::Key_Tab);  // CH2
  QTest::keyClick(area, Qt::Key_Tab);
  const QString delta(QChar(0x0394));
  EXPECT_EQ(area->readout(),
            "Cursor 1: T1 -4.13ns, " + delta + "T 6.67ns, 1/" + delta + "T 150.00MHz");
  QTest::keyClick(area, Qt::Key_Right, Qt::ShiftModifier);
  QTest::keyClick(area, Qt::Key_Down);  // not an axis of a time cursor
  EXPECT_EQ(text(w, "C_DX"), "6.00ns");
  EXPECT_TRUE(display->text(QAccessible::Value).startsWith("Cursor 1: T1 -3.47ns"));
  QTest::keyClick(area, Qt::Key_Enter);
  EXPECT_EQ(w.windowState().cursors.x1, 110);
  EXPECT_EQ(host.sends.size(), 1u);
  // Past the last handle the focus moves on to the contrast bar.
  QTest::keyClick(area, Qt::Key_Tab);
  QTest::keyClick(area, Qt::Key_Tab);
  EXPECT_TRUE(at(w, "ScrollBar1")->hasFocus());
}

TEST_F(ScopeWindowTest, TimeScaleBoxMovesTraceAndReadoutsButNoStatusText) {
  ScopeWindow& w = open(0);
  WaveformBlock r = MakeNewWindowRecord();
  for (int i = 0; i < 500; ++i) r.setCh1Samples(i, (i / 100) % 2 ? 77 : 177);
  r.setTimeDivIndex(8);  // 1 us
  r.setTriggerPosition(131);
  w.receiveRecord(r);
  EXPECT_EQ(text(w, "C_DX"), "3.33us");
  const DisplayBitmap before = w.displayBitmap();
  at<QComboBox>(w, "ComboBox4")->setCurrentIndex(7);  // 0.5 us
  EXPECT_FALSE(w.displayBitmap() == before);
  EXPECT_EQ(text(w, "C_DX"), "1.67us");
  EXPECT_EQ(text(w, "CT1"), "1 us");
  EXPECT_EQ(text(w, "CFREQCH1").toStdString(), "250.00KHz");  // not measured again
  EXPECT_TRUE(host.sends.empty());
}

TEST_F(ScopeWindowTest, SetupLoadDisablesEveryWindowAndRunLoopStopsOnImageView) {
  ScopeWindow& a = open(0);
  ScopeWindow& b = open(1);
  auto* setup = at<QPushButton>(a, "ToolbarButton971");
  auto* run = at<QPushButton>(a, "BitBtn1");
  host.refuseLoad = true;
  QTest::mouseClick(setup, Qt::LeftButton);
  EXPECT_TRUE(a.isEnabled() && b.isEnabled());
  EXPECT_EQ(setup->text(), "Setup Para.");
  EXPECT_FALSE(run->isEnabled());

  host.refuseLoad = false;
  QTest::mouseClick(setup, Qt::LeftButton);
  EXPECT_FALSE(a.isEnabled() || b.isEnabled());
  EXPECT_EQ(setup->text(), "LOADING  ...");
  host.pendingLoad();
  EXPECT_TRUE(a.isEnabled() && b.isEnabled());
  EXPECT_EQ(setup->text(), "Setup Para.");
  ASSERT_TRUE(run->isEnabled());

  QTest::mouseClick(run, Qt::LeftButton);
  EXPECT_TRUE(host.running);
  EXPECT_EQ(run->text(), "STOP");
  EXPECT_FALSE(setup->isEnabled());
  at<QTabWidget>(a, "PageControl1")->setCurrentIndex(ScopeWindow::ImageViewPage);
  EXPECT_FALSE(host.running);
  EXPECT_EQ(run->text(), "RUN");
  EXPECT_TRUE(setup->isEnabled());
  EXPECT_EQ(host.activated.back(), 0);  // the click made it the target
}

// The keys are the main window's menu shortcuts; tests/app checks them through a scope window.
TEST_F(ScopeWindowTest, ContrastAndClose) {
  ScopeWindow& w = open(3);
  w.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  auto* contrast = at<QScrollBar>(w, "ScrollBar1");
  QTest::mouseClick(contrast, Qt::LeftButton, {}, QPoint(8, 240));  // page down
  EXPECT_EQ(host.sends, (std::vector<Send>{{50, 0, false}}));
  EXPECT_EQ(contrast->toolTip(), "Contrast Setting (50%)");
  // From the keyboard every step sends at once.
  contrast->setFocus(Qt::TabFocusReason);
  ASSERT_TRUE(contrast->hasFocus());
  QTest::keyClick(contrast, Qt::Key_PageDown);
  QTest::keyClick(contrast, Qt::Key_Up);
  EXPECT_EQ(host.sends, (std::vector<Send>{{50, 0, false}, {60, 0, false}, {59, 0, false}}));

  w.close();
  EXPECT_EQ(host.closed, std::vector<int>{3});
}

// The Menu key and Shift+F10 open the display's menu on its first entry, which assistive tools
// are told as the menu's focus; its "Export CSV…" writes the record as `corvane-cli export` does.
TEST_F(ScopeWindowTest, MenuKeyOpensTheMenuAndExportCsvWritesTheRecord) {
  ScopeWindow& w = open(0);
  w.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  auto* area = at<ScopeDisplay>(w, "PaintBox1");
  auto* menu = at<QMenu>(w, "PopupMenu1");
  area->setFocus();
  QTest::keyClick(area, Qt::Key_F10, Qt::ShiftModifier);
  ASSERT_TRUE(menu->isVisible());
  EXPECT_EQ(menu->activeAction(), menu->actions().value(0));
  QAccessibleInterface* popup = QAccessible::queryAccessibleInterface(menu);
  EXPECT_EQ(popup->role(), QAccessible::PopupMenu);
  QStringList entries;
  for (int i = 0; i < 3; ++i) entries << popup->child(i)->text(QAccessible::Name);
  EXPECT_EQ(entries, (QStringList{"Corvane Data Save", "Waveform Capture",
                                  QString("Export CSV") + QChar(0x2026)}));
  menu->hide();
  QTest::keyClick(area, Qt::Key_Menu);
  EXPECT_TRUE(menu->isVisible());
  menu->hide();

  WaveformBlock r = MakeNewWindowRecord();
  r.setCh1VoltDivIndex(8);       // 1 V
  r.setTimeDivIndex(15);         // 0.2 ms
  r.setCh1Samples(0, 177 + 25);  // a division above ground
  w.receiveRecord(r);
  const auto file = tempDir() / "w.csv";
  host.saveAnswer = file.string();
  menu->actions()[2]->trigger();
  EXPECT_EQ(host.dialogs.back().title, "Export CSV");
  const std::string csv = readFile(file);
  EXPECT_EQ(csv, recordCsvText(w.record()));
  EXPECT_EQ(csv.substr(0, 48), "index,time_s,ch1_V,ch2_V\r\n0,0,1,0\r\n1,4e-06,0,0\r\n");
  host.saveAnswer = tempDir().string();  // a folder: the platform's error, nothing written
  menu->actions()[2]->trigger();
  ASSERT_EQ(host.fileErrors.size(), 1u);
}

TEST_F(ScopeWindowTest, DataSaveDisplayCaptureAndScreenSave) {
  ScopeWindow& w = open(0);
  const auto dir = tempDir();
  w.setNotesLines({"first", "caf\xc3\xa9"});
  host.saveAnswer = (dir / "run.DSO").string();
  w.saveData();
  EXPECT_EQ(host.dialogs.back().title, "Corvane Data Save");
  EXPECT_EQ(host.dialogs.back().filter, "Corvane Data (*.DSO)");
  EXPECT_EQ(readFile(dir / "run.DSO"),
            std::string(w.record().bytes.begin(), w.record().bytes.end()));
  EXPECT_EQ(readFile(dir / "run.TXT"), "first\r\ncaf\xc3\xa9\r\n");
  EXPECT_EQ(w.windowTitle().toStdString(), *host.saveAnswer);

  host.saveAnswer = (dir / "missing" / "x.DSO").string();
  w.saveData();
  EXPECT_EQ(host.fileErrors.size(), 1u);
  EXPECT_EQ(w.windowTitle().toStdString(), (dir / "run.DSO").string());

  // Display capture: the bitmap as shown, hidden CH1 absent; 24-bit rows bottom-up.
  w.toggleCh1Trace();
  host.saveAnswer = (dir / "shot.BMP").string();
  w.captureDisplay();
  EXPECT_EQ(host.dialogs.back().title, "Waveform Capture Save");
  const std::string bmp = readFile(dir / "shot.BMP");
  ASSERT_EQ(bmp.size(), 54u + 254u * 972u);
  int differing = 0;
  for (int y = 0; y < 254; ++y)
    for (int x = 0; x < 324; ++x) {
      const auto* p = reinterpret_cast<const uint8_t*>(bmp.data()) + 54 + (253 - y) * 972 + x * 3;
      differing += (uint32_t(p[2]) | p[1] << 8 | p[0] << 16) != w.displayBitmap().pixel(x, y);
    }
  EXPECT_EQ(differing, 0);
  EXPECT_EQ(w.displayBitmap().pixel(100, 70), 0u);  // CH1 hidden

  // Save As: the first 9,662 bytes of the main window's buffer.
  for (int i = 0; i < 12197; ++i) host.buffer.push_back(uint8_t(i * 7));
  host.saveAnswer = (dir / "screen.BMP").string();
  w.saveInstrumentScreen();
  EXPECT_EQ(readFile(dir / "screen.BMP"),
            std::string(host.buffer.begin(), host.buffer.begin() + 9662));

  // Capture that cannot start gives the buttons back; an unreadable file still enables them.
  host.captureStarts = false;
  w.captureInstrumentScreen();
  EXPECT_TRUE(w.captureButtonEnabled());
  EXPECT_FALSE(at(w, "BMPSave")->isEnabled());
  w.showCapturedImage(dir / "none.bmp");
  EXPECT_TRUE(at(w, "BMPSave")->isEnabled());
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace corvane
