// The main window as the session's ProtocolHost and SessionFocusHost and the scope windows'
// ScopeHost: each call goes to the widget or the core piece that decides it.
#include <QFontMetrics>
#include <QLabel>
#include <QMdiSubWindow>
#include <algorithm>

#include "app/main_window.h"
#include "app/measurements_panel.h"
#include "app/ui_services.h"
#include "scope/widgets/scope_window.h"

namespace corvane {
namespace {

QString qs(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

// ---------------------------------------------------------------- ProtocolHost

void MainWindow::showError(std::string_view text) {
  postBox({true, qs(text), {}});
}
void MainWindow::showErrorDetail(std::string_view text, std::string_view detail) {
  postBox({true, qs(text), qs(detail)});
}
void MainWindow::showInformation(std::string_view text) {
  postBox({false, qs(text), {}});
}

// One box at a time, from the event loop and never from inside the session's callback: a box
// waits until the one on screen is closed, and a box already waiting or shown is not added again.
void MainWindow::postBox(Box box) {
  if (std::find(boxesWaiting_.begin(), boxesWaiting_.end(), box) != boxesWaiting_.end()) return;
  boxesWaiting_.push_back(std::move(box));
  if (!boxShowing_) QMetaObject::invokeMethod(this, &MainWindow::showNextBox, Qt::QueuedConnection);
}

void MainWindow::showNextBox() {
  if (boxShowing_ || boxesWaiting_.empty()) return;
  boxShowing_ = true;
  const Box box = boxesWaiting_.front();
  if (box.error) {
    ui_.showError(this, box.text, box.detail);
  } else {
    ui_.showInformation(this, box.text);
  }
  boxesWaiting_.erase(boxesWaiting_.begin());
  boxShowing_ = false;
  if (!boxesWaiting_.empty()) {
    QMetaObject::invokeMethod(this, &MainWindow::showNextBox, Qt::QueuedConnection);
  }
}

// The frame as sent, STX and ETX as their control pictures (U+2402, U+2403) where the label's
// font draws them, else spelt out: never as empty boxes.
void MainWindow::setTxStr(std::string_view text) {
  QString shown = qs(text);
  const QFontMetrics metrics(lastSentLabel_->font());
  const bool pictures = metrics.inFontUcs4(0x2402) && metrics.inFontUcs4(0x2403);
  shown.replace(QChar(0x02), pictures ? QString(QChar(0x2402)) : QStringLiteral("<STX>"));
  shown.replace(QChar(0x03), pictures ? QString(QChar(0x2403)) : QStringLiteral("<ETX>"));
  setStatusText(lastSentLabel_, std::move(shown));
}
void MainWindow::setTXTot(std::string_view text) {
  setStatusText(txTotalLabel_, qs(text));
}
void MainWindow::setRXTot(std::string_view text) {
  setStatusText(rxTotalLabel_, qs(text));
}
void MainWindow::setFrameRateText(std::string_view text) {
  setStatusText(frameRateLabel_, qs(text));
}

ScopeWindow* MainWindow::captureWindow() const {
  const int requester = session_->captureWindow();
  return scopeWindow(requester >= 0 ? requester : targetSlot_);
}

void MainWindow::ShowCapturedImage(const std::filesystem::path& file) {
  const int requester = session_->captureWindow();
  if (ScopeWindow* w = scopeWindow(requester >= 0 ? requester : activeSlot_)) {
    w->showCapturedImage(file);
  }
}

void MainWindow::ReceiveBlock(const WaveformBlock& block) {
  ScopeWindow* target = scopeWindow(targetSlot_);
  if (target == nullptr) return;
  target->receiveRecord(block);
  // As the window measured it on arrival, at the record's own scales.
  measurementsPanel_->handOver(targetSlot_, target->record(), target->measurements());
}

bool MainWindow::captureButtonEnabled() const {
  ScopeWindow* w = captureWindow();
  return w != nullptr && w->captureButtonEnabled();
}

void MainWindow::setCaptureButtonEnabled(bool enable) {
  if (ScopeWindow* w = captureWindow()) w->setCaptureButtonEnabled(enable);
}

void MainWindow::resetRunButton() {
  if (ScopeWindow* active = scopeWindow(activeSlot_)) active->resetRunButton();
  applyCommandState();
}

void MainWindow::loopStopped(int window) {
  if (ScopeWindow* w = scopeWindow(window)) w->setRunButtonStopped();
  applyCommandState();
}

void MainWindow::EnableCommandControls(bool enable) {
  // The end of a transfer shows the counters' final values.
  if (enable) flushStatusTexts();
  commandState_.transferLocked = !enable;
  commandState_.scopeListReenabled = false;
  applyCommandState();
}

void MainWindow::EnableScopeCommands() {
  commandState_.scopeListReenabled = commandState_.transferLocked;
  applyCommandState();
}

void MainWindow::pageChanged(int, int) {
  applyCommandState();
}

// ---------------------------------------------------------------- SessionFocusHost

bool MainWindow::anyScopeWindowInUse() const {
  for (const Slot& s : slots_) {
    if (s.inUse) return true;
  }
  return false;
}

void MainWindow::focusHiddenEdit() {
  keyboardFocus_->setFocus(Qt::OtherFocusReason);
}

// ---------------------------------------------------------------- ScopeHost

void MainWindow::SendPosition(uint16_t value, int kind) {
  session_->sender().SendPosition(value, kind);
}

void MainWindow::SendSetting(uint16_t value, uint16_t code) {
  session_->sender().SendSetting(value, code);
}

bool MainWindow::LoadFinished() const {
  return session_->loadFinished();
}

bool MainWindow::LoadSetup(int slot, std::function<void()> finished) {
  if (!session_->loadFinished()) return false;
  const int previousTarget = targetSlot_;
  targetSlot_ = slot;
  loadFinished_ = std::move(finished);
  if (!session_->startSetupLoad()) {
    loadFinished_ = nullptr;
    targetSlot_ = previousTarget;
    return false;
  }
  measurementsPanel_->setupLoadStarted(slot);
  return true;
}

void MainWindow::setScopeWindowsEnabled(bool enable) {
  for (Slot& s : slots_) {
    if (s.inUse && s.frame) s.frame->setEnabled(enable);
  }
}

bool MainWindow::loopRunning() const {
  return session_->loopRunning();
}

void MainWindow::startLoop(int slot) {
  session_->startLoop(slot);
  applyCommandState();
}

void MainWindow::stopLoop() {
  session_->stopLoop();
  applyCommandState();
}

void MainWindow::activateWindow(int slot) {
  if (!slotInUse(slot)) return;
  if (slot != activeSlot_) {
    // The page tabs are the active window's to lock.
    if (ScopeWindow* old = scopeWindow(activeSlot_)) old->setPageTabsEnabled(true);
  }
  activeSlot_ = targetSlot_ = slot;
  if (ScopeWindow* active = scopeWindow(slot))
    measurementsPanel_->follow(slot, active->windowTitle());
  applyCommandState();
}

void MainWindow::scopeWindowClosed(int slot) {
  if (!slotInUse(slot)) return;
  slots_[static_cast<std::size_t>(slot)].inUse = false;
  measurementsPanel_->windowClosed(slot);
  stopLoop();
}

bool MainWindow::captureScreen(int slot) {
  return session_->captureScreen(slot);
}

std::span<const uint8_t> MainWindow::captureBuffer() const {
  return session_->exchange().capture.CaptureBuf;
}

std::optional<std::string> MainWindow::chooseSaveFile(const FileDialogRequest& request) {
  return ui_.saveFileName(this, request);
}

void MainWindow::showFileError(std::string_view text) {
  ui_.showError(this, qs(text));
}

}  // namespace corvane
