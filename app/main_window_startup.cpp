// The main window's first show, which restores the last state, and its closing.
#include <QCloseEvent>

#include "app/main_window.h"
#include "scope/widgets/scope_window.h"
#include "storage/data_file.h"

namespace corvane {

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (firstShowPending_) {
    firstShowPending_ = false;
    restoreAtFirstShow();
  }
}

void MainWindow::restoreAtFirstShow() {
  const StartupRecord startup = readStartupRecord(config_.settingsDir);
  const WaveformBlock* restored = nullptr;
  switch (startup.kind) {
    case StartupRecord::Kind::NoFile:
      newScopeWindow();
      break;
    case StartupRecord::Kind::Refused:
      showError(startup.message);
      break;
    case StartupRecord::Kind::Loaded: {
      const int slot = openScopeWindow();
      if (slot >= 0) {
        activeSlot_ = targetSlot_ = slot;
        ScopeWindow* child = scopeWindow(slot);
        child->receiveRecord(startup.block);
        if (startup.notes) child->setNotesLines(*startup.notes);
        restored = &startup.block;
      }
      break;
    }
  }
  // The focus keeper starts and the link is chosen from the restored record.
  session_->firstShow(restored);
  showLinkChoice();
}

void MainWindow::exitProgram() {
  session_->requestExit();
  close();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (closing_) {
    event->accept();
    return;
  }
  closing_ = true;
  session_->requestExit();
  session_->stopLoop();
  // Each step runs whatever the one before it met, so a record that cannot be written never
  // costs the settings.
  if (ScopeWindow* active = scopeWindow(activeSlot_)) {
    const FileStatus written =
        writeExitRecord(config_.settingsDir, active->record(), active->notesLines());
    if (!written) showFileError(written.message);
  }
  const FileStatus saved = saveProgramSettings(settingsPath(), settings_);
  if (!saved) showFileError(saved.message);
  session_->closeAtExit();
  event->accept();
}

}  // namespace corvane
