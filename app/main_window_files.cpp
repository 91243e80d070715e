// The main window's slot table and its File commands.
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPrinter>
#include <algorithm>

#include "app/main_menus.h"
#include "app/main_window.h"
#include "app/ui_services.h"
#include "print/report_renderer.h"
#include "scope/widgets/scope_window.h"
#include "storage/data_file.h"

namespace corvane {

int MainWindow::openScopeWindow() {
  int slot = 0;
  while (slot < kSlotCount && slots_[static_cast<std::size_t>(slot)].inUse) ++slot;
  if (slot == kSlotCount) return -1;
  Slot& s = slots_[static_cast<std::size_t>(slot)];
  s.inUse = true;
  auto* child = new ScopeWindow(*this, slot);
  child->setDisplayScale(settings_.displayScale);
  child->setWindowTitle(QStringLiteral("Corvane - %1").arg(slot + 1));
  QMdiSubWindow* frame =
      mdi_->addSubWindow(child, Qt::SubWindow | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                    Qt::WindowMinimizeButtonHint);
  frame->setAttribute(Qt::WA_DeleteOnClose);
  frame->setWindowIcon(windowIcon());
  s.window = child;
  s.frame = frame;
  child->show();
  frame->show();
  return slot;
}

ScopeWindow* MainWindow::scopeWindow(int slot) const {
  if (!slotInUse(slot)) return nullptr;
  return slots_[static_cast<std::size_t>(slot)].window.data();
}

bool MainWindow::slotInUse(int slot) const {
  return slot >= 0 && slot < kSlotCount && slots_[static_cast<std::size_t>(slot)].inUse;
}

void MainWindow::setDisplayScale(int scale) {
  settings_.displayScale = std::clamp(scale, 1, 3);
  for (Slot& s : slots_) {
    if (!s.inUse || !s.window) continue;
    s.window->setDisplayScale(settings_.displayScale);
    if (s.frame) s.frame->adjustSize();
  }
  menus_->showDisplayScale(settings_.displayScale);
}

void MainWindow::enlargeDisplay() {
  setDisplayScale(settings_.displayScale + 1);
}

void MainWindow::reduceDisplay() {
  setDisplayScale(settings_.displayScale - 1);
}

void MainWindow::newScopeWindow() {
  const int slot = openScopeWindow();
  if (slot < 0) return;
  activeSlot_ = targetSlot_ = slot;
}

void MainWindow::openDataFile() {
  const std::optional<std::string> name = ui_.openFileName(this, kDataLoadDialog);
  if (name) openFile(*name);
}

void MainWindow::openFile(const std::string& name) {
  const ReadDataResult read = readDataFile(name);
  if (!read.status) {
    // A menu command's own box: shown at once (only the session's boxes wait for the event loop).
    showFileError(read.status.message);
    return;
  }
  const int slot = openScopeWindow();
  if (slot < 0) return;
  activeSlot_ = targetSlot_ = slot;
  ScopeWindow* child = scopeWindow(slot);
  child->setWindowTitle(QString::fromStdString(name));
  child->receiveRecord(read.block);
  const ReadNotesResult notes = readNotesFile(notesFileName(name));
  if (!notes.status) {
    showFileError(notes.status.message);
  } else if (notes.lines) {
    child->setNotesLines(*notes.lines);
  }
}

void MainWindow::saveDataFile() {
  ScopeWindow* child = scopeWindow(activeSlot_);
  if (child == nullptr) return;
  const std::optional<std::string> name = ui_.saveFileName(this, kDataSaveDialog);
  if (!name) return;
  FileStatus status = writeDataFile(*name, child->record());
  if (status) status = writeNotesFile(notesFileName(*name), child->notesLines());
  if (!status) {
    showFileError(status.message);
    return;
  }
  child->setWindowTitle(QString::fromStdString(*name));
}

// The report prints on the printer chosen in the print dialog, and with no scope window open
// there is nothing to print, so no dialog opens.
void MainWindow::print() {
  ScopeWindow* active = scopeWindow(activeSlot_);
  if (active == nullptr) return;
  if (!ui_.printDialog(this, *printer_)) return;
  const PrintSetupResult chosen =
      ui_.printOptions(this, PrintOptions{settings_.waveFormPrint, settings_.notesPrint});
  settings_.waveFormPrint = chosen.options.waveFormPrint;
  settings_.notesPrint = chosen.options.notesPrint;
  if (!chosen.print) return;
  ReportContent content;
  content.picture = active->displayBitmap();
  content.colors = colors_;
  content.status = active->scopeInformation();
  content.measurements = active->measurements();
  content.XYFormat = active->record().XYFormat();
  content.Ch1Probe = active->record().Ch1Probe();
  content.Ch2Probe = active->record().Ch2Probe();
  content.notes = active->notesLines();
  content.timeText = currentTimeOfDayText();
  if (!printReport(*printer_, content, chosen.options)) {
    showFileError("The report could not be printed on " + printer_->printerName().toStdString() +
                  ".");
  }
}

void MainWindow::showPrinterSetup() {
  ui_.printerSetup(this, *printer_);
}

void MainWindow::editColors() {
  const ColorSetResult result = ui_.colorSettings(this, settings_.colors);
  if (result.defaultsApplied) settings_.colors = kDefaultColorSlots;
  if (result.closed) settings_.colors = *result.closed;
  colors_ = colorsFromSettings();
  for (Slot& s : slots_) {
    if (s.inUse && s.window) s.window->redrawDisplay();
  }
}

}  // namespace corvane
