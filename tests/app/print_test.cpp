#include <QPrinter>

#include "app/main_menus.h"
#include "app_test_support.h"
#include "scope/widgets/scope_window.h"

namespace corvane::apptest {
namespace {

int pdfPages(const std::string& pdf) {
  int pages = 0;
  for (std::size_t at = pdf.find("/Type /Page"); at != std::string::npos;
       at = pdf.find("/Type /Page", at + 1)) {
    pages += pdf.compare(at, 12, "/Type /Pages") != 0;
  }
  return pages;
}

TEST(Print, PrintsTheActiveWindowOnTheChosenPrinterAndStoresTheOptions) {
  QuietPort port;
  MainRig rig;
  rig.writeIni(port.path);
  MainWindow& m = rig.start();
  m.printer().setOutputFormat(QPrinter::PdfFormat);
  m.printer().setOutputFileName(QString::fromStdString(rig.file("both.pdf").string()));
  m.menus().printAction->trigger();
  EXPECT_EQ(pdfPages(readAll(rig.file("both.pdf"))), 2);

  // Options stored even when the job is cancelled there; nothing printed.
  rig.ui.optionsAnswer = {{false, true}, false};
  m.printer().setOutputFileName(QString::fromStdString(rig.file("none.pdf").string()));
  m.print();
  EXPECT_FALSE(fs::exists(rig.file("none.pdf")));
  EXPECT_FALSE(m.settings().waveFormPrint);

  // No window, no dialogs.
  m.scopeWindow(0)->parentWidget()->close();
  QApplication::processEvents();
  const int dialogs = rig.ui.printDialogs;
  m.print();
  EXPECT_EQ(rig.ui.printDialogs, dialogs);
  m.exitProgram();
  EXPECT_NE(readAll(rig.file("KV2040.ini")).find("Wave Form=0"), std::string::npos);
}

}  // namespace
}  // namespace corvane::apptest
