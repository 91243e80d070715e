// The scope window's controls of the instrument exchange: "Setup Para.", "RUN"/"STOP", and what
// becoming active or changing the page asks of the main window.
#include <QApplication>
#include <QPointer>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <memory>

#include "scope/widgets/scope_window.h"
#include "scope/widgets/scope_window_style.h"

namespace corvane {

using scope_style::kBlue;
using scope_style::kRed;
using scope_style::setCaption;

// --- "Setup Para." and "RUN".

void ScopeWindow::startSetupLoad() {
  if (loading_ || !host_.LoadFinished()) return;
  const QString caption = setupButton_->text();
  const QPalette palette = setupButton_->palette();
  host_.setScopeWindowsEnabled(false);
  setCaption(setupButton_, "LOADING  ...", kRed);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  loading_ = true;

  // The load ends later, from the event loop; the window may be gone by then.
  auto ended = std::make_shared<bool>(false);
  QPointer<ScopeWindow> self(this);
  ScopeHost& host = host_;
  const bool started = host_.LoadSetup(slot_, [ended, self, &host] {
    if (*ended) return;
    *ended = true;
    QApplication::restoreOverrideCursor();
    if (self) {
      self->setupLoadEnded();
    } else {
      host.setScopeWindowsEnabled(true);
    }
  });
  if (!started && !*ended) {
    // Refused: everything as it was.
    *ended = true;
    loading_ = false;
    QApplication::restoreOverrideCursor();
    host_.setScopeWindowsEnabled(true);
    setCaption(setupButton_, caption, palette.color(QPalette::ButtonText));
  }
}

void ScopeWindow::setupLoadEnded() {
  loading_ = false;
  host_.setScopeWindowsEnabled(true);
  setCaption(setupButton_, "Setup Para.", kBlue);
  runButton_->setEnabled(true);
}

void ScopeWindow::setRunCaption(const QString& caption, bool running) {
  setCaption(runButton_, caption, running ? kRed : kBlue);
  setupButton_->setEnabled(!running);
}

void ScopeWindow::toggleRealTimeLoop() {
  if (host_.loopRunning()) {
    host_.stopLoop();
    setRunCaption("RUN", false);
  } else {
    host_.startLoop(slot_);
    setRunCaption("STOP", true);
  }
}

void ScopeWindow::resetRunButton() {
  setRunCaption("RUN", false);
  runButton_->setEnabled(false);
}

void ScopeWindow::setRunButtonStopped() {
  setRunCaption("RUN", false);
}

// --- Activation and pages.

void ScopeWindow::becomeActive() {
  if (activating_ || closed_) return;
  activating_ = true;
  host_.activateWindow(slot_);
  onPageChanged();
  activating_ = false;
}

void ScopeWindow::onPageChanged() {
  const int page = pages_->currentIndex();
  host_.pageChanged(slot_, page);
  if (page == ScopePage) {
    host_.EnableScopeCommands();
  } else if (page == ImageViewPage && host_.loopRunning()) {
    toggleRealTimeLoop();
  }
}

int ScopeWindow::currentPage() const {
  return pages_->currentIndex();
}

void ScopeWindow::setPageTabsEnabled(bool enable) {
  pages_->tabBar()->setEnabled(enable);
}

}  // namespace corvane
