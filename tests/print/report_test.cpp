// The printed report drawn on A4 pages at 600 dpi, the options dialog.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <algorithm>

#include "print/report_renderer.h"
#include "print/widgets/print_options_dialog.h"
#include "scope/display_render.h"

namespace corvane {
namespace {

constexpr int kPageWidth = 4960, kPageHeight = 7016, kDpi = 600;

void ensureApplication() {
  if (QCoreApplication::instance()) return;
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char arg0[] = "print_tests";
  static char* argv[] = {arg0, nullptr};
  new QApplication(argc, argv);
}

bool ink(const QImage& page, int x, int y) {
  return qGray(page.pixel(x, y)) < 128;
}

// Whether the picture pixel (px, py) came out as a filled square on the page.
bool printedSquare(const QImage& page, const ReportLayout& l, int px, int py) {
  const int x = l.pictureLeft() + px * l.D, y = l.pictureTop() + py * l.D;
  return ink(page, x, y) && ink(page, x + l.D - 1, y + l.D - 1);
}

const ReportRow& row(const std::vector<ReportRow>& rows, const std::string& label, int nth = 0) {
  auto it = std::find_if(rows.begin(), rows.end(),
                         [&](const ReportRow& r) { return r.label == label && nth-- == 0; });
  EXPECT_NE(it, rows.end()) << label;
  return *it;
}

TEST(Report, GeometryAtPageWidth4960AndTheLeftStripRule) {
  ensureApplication();
  ReportContent c;
  c.colors.goNoGo = 0x0000FF;  // no trace colour is grey
  c.picture.setPixel(0, 0, 0xFFFFFF);
  c.picture.setPixel(323, 253, 0xFFFFFF);
  c.picture.setPixel(20, 50, 0x777777);  // grid grey in the picture area
  c.picture.setPixel(5, 5, 0x777777);    // the strip above row 10 counts as picture area
  c.picture.setPixel(5, 50, 0x777777);   // grey beside the graticule: not printed
  c.picture.setPixel(6, 60, 0x0000FF);   // the go/no-go colour there is printed
  c.picture.setPixel(7, 70, 0x00FFFF);   // and another colour is not
  const std::vector<QImage> pages =
      renderReportImages(c, {true, false}, kPageWidth, kPageHeight, kDpi);
  ASSERT_EQ(pages.size(), 1u);
  const ReportLayout l = reportLayout(pages[0]);
  EXPECT_EQ(l.C, 413);
  EXPECT_EQ(l.D, 12);
  EXPECT_EQ(l.x(11), 4543);
  EXPECT_GT(l.T18, l.h);
  const int top = 3 * l.T18;
  // The 3,888 x 3,048 picture: its corner pixels printed, nothing just outside them.
  EXPECT_TRUE(ink(pages[0], 413, top) && ink(pages[0], 413 + 3888 - 1, top + 3048 - 1));
  EXPECT_FALSE(ink(pages[0], 412, top) || ink(pages[0], 413, top - 1));
  EXPECT_FALSE(ink(pages[0], 413 + 3888, top + 3048 - 1) || ink(pages[0], 413 + 3887, top + 3048));
  EXPECT_TRUE(printedSquare(pages[0], l, 20, 50));
  EXPECT_TRUE(printedSquare(pages[0], l, 5, 5));
  EXPECT_FALSE(ink(pages[0], 413 + 5 * 12 + 6, top + 50 * 12 + 6));
  EXPECT_TRUE(printedSquare(pages[0], l, 6, 60));
  EXPECT_FALSE(ink(pages[0], 413 + 7 * 12 + 6, top + 70 * 12 + 6));
  EXPECT_FALSE(ink(pages[0], 413 + 100 * 12 + 6, top + 100 * 12 + 6));  // black stays white
}

TEST(Report, TvTriggerPrintsFallingUnderSlope) {
  WaveformBlock r = MakeNewWindowRecord();
  r.setTriggerMode(3);
  r.setTriggerType(1);
  r.setTvSync(1);
  std::vector<ReportRow> rows = scopeTableRows(makeReportContent(r, {}, "12:00:00"));
  EXPECT_EQ(row(rows, "MODE").first, "TV-V");
  EXPECT_EQ(row(rows, "Coupling", 1).first, "Line");
  EXPECT_EQ(row(rows, "Slope").first, "Falling");
  r.setTriggerType(0);
  EXPECT_EQ(row(scopeTableRows(makeReportContent(r, {}, "")), "Slope").first, "Rising");
}

TEST(Report, OutOfTableSettingsPrintTheWindowsTexts) {
  WaveformBlock r = MakeNewWindowRecord();
  r.setTimeDivIndex(200);
  r.setCh1VoltDivIndex(50);
  r.setCh2VoltDivIndex(4);
  r.setCh1Coupling(7);
  r.setTriggerMode(9);
  r.setTriggerSource(9);
  r.setTriggerSlope(3);
  r.setTriggerCoupling(8);
  r.setCh1Probe(9);
  r.setCh2Probe(1);
  r.setXYFormat(5);
  const ReportContent c = makeReportContent(r, {}, "");
  const std::vector<ReportRow> rows = scopeTableRows(c);
  EXPECT_EQ(row(rows, "Timebase"), (ReportRow{ReportRow::Kind::Text, "Timebase", "", ""}));
  EXPECT_EQ(row(rows, "Format").first, "XY");
  EXPECT_EQ(row(rows, "Volt/Div").first, "");
  EXPECT_EQ(row(rows, "Volt/Div").second, "0.5 V");
  EXPECT_EQ(row(rows, "Coupling").first, "???");
  EXPECT_EQ(row(rows, "Probe").first, "X1");
  EXPECT_EQ(row(rows, "Probe").second, "X10");
  EXPECT_EQ(row(rows, "MODE").first, "???");
  EXPECT_EQ(row(rows, "Source").first, "???");
  EXPECT_EQ(row(rows, "Coupling", 1).first, "???");
  EXPECT_EQ(row(rows, "Slope").first, "Falling");
  EXPECT_EQ(row(rows, "Peak To Peak").first, "???");
  ensureApplication();
  EXPECT_FALSE(reportPdf(c, {}).isEmpty());
}

TEST(Report, NotesAloneComeOnTheFirstPageAndHostileNotesPrint) {
  ensureApplication();
  ReportContent c =
      makeReportContent(MakeNewWindowRecord(), {"\xff\xfe bad \xc3", "\x01\x1b\t"}, "12:00:00");
  c.notes.push_back(std::string(1 << 20, 'W'));
  c.notes.resize(200000, "line");
  std::vector<QImage> pages = renderReportImages(c, {false, true}, kPageWidth, kPageHeight, kDpi);
  ASSERT_EQ(pages.size(), 1u);
  const ReportLayout l = reportLayout(pages[0]);
  auto inkIn = [](const QImage& page, QRect area) {
    for (int y = area.top(); y <= area.bottom(); y += 2)
      for (int x = area.left(); x <= area.right(); x += 2)
        if (ink(page, x, y)) return true;
    return false;
  };
  const QRect firstNote(l.x(2), l.T20 + 80, l.C, l.T10);
  EXPECT_TRUE(inkIn(pages[0], firstNote));
  EXPECT_FALSE(inkIn(pages[0], QRect(l.x(1), l.T20 + 80, l.C - 1, 3000)));   // no picture
  EXPECT_TRUE(inkIn(pages[0], QRect(l.x(2), kPageHeight - 300, l.C, 290)));  // to the bottom
  pages = renderReportImages(c, {true, true}, kPageWidth, kPageHeight, kDpi);
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_TRUE(inkIn(pages[0], QRect(l.x(2), l.pictureTop(), l.C, 3000)));  // the picture
  EXPECT_TRUE(inkIn(pages[1], firstNote));
  EXPECT_EQ(renderReportImages(c, {false, false}, kPageWidth, kPageHeight, kDpi).size(), 0u);
  EXPECT_FALSE(reportPdf(c, {}).isEmpty());
}

TEST(PrintSetup, BothButtonsStoreTheCheckBoxes) {
  ensureApplication();
  PrintOptionsDialog cancel({true, true});
  EXPECT_TRUE(cancel.scopeDataBox->isChecked() && cancel.notesBox->isChecked());
  EXPECT_EQ(cancel.scopeDataBox->text(), "Scope Data");
  EXPECT_EQ(cancel.windowTitle(), "Print Data Setup.");
  cancel.scopeDataBox->setChecked(false);
  cancel.notesBox->setChecked(false);
  cancel.cancelButton->click();
  EXPECT_EQ(cancel.options(), (PrintOptions{false, false}));
  EXPECT_EQ(cancel.result(), QDialog::Rejected);

  PrintOptionsDialog print({false, true});
  print.scopeDataBox->setChecked(true);
  print.printButton->click();
  EXPECT_EQ(print.options(), (PrintOptions{true, true}));
  EXPECT_EQ(print.result(), QDialog::Accepted);
}

}  // namespace
}  // namespace corvane
