// The scope window's display interaction: the grid, cursor and scale boxes, the popup menu and
// its toggles, marker, tag and cursor drags, and the contrast bar.
#include <QComboBox>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <algorithm>

#include "scope/widgets/scope_display.h"
#include "scope/widgets/scope_window.h"

namespace corvane {

// --- The grid, cursor and scale boxes.

void ScopeWindow::onGridChosen(int grid) {
  if (grid < 0 || grid > 2) return;
  state_.grid = GridKind(grid);
  redrawDisplay();
}

void ScopeWindow::onCursorTypeChanged() {
  state_.cursors.type = CursorType(std::clamp(cursorTypeBox_->currentIndex(), 0, 3));
  redrawDisplay();
}

void ScopeWindow::onCh1VoltsChanged() {
  state_.displayCh1VoltDiv = ch1VoltsBox_->currentIndex();
  showCursorReadouts();
  redrawDisplay();
}

void ScopeWindow::onCh2VoltsChanged() {
  state_.displayCh2VoltDiv = ch2VoltsBox_->currentIndex();
  showCursorReadouts();
  redrawDisplay();
}

void ScopeWindow::onTimeDivChanged() {
  state_.displayTimeDiv = timeDivBox_->currentIndex();
  showCursorReadouts();
  redrawDisplay();
}

// --- Popup toggles: flags in the record, so they are saved with it.

void ScopeWindow::toggleCh1Trace() {
  record_.setCh1Hidden(record_.Ch1Hidden() == 0 ? 1 : 0);
  redrawDisplay();
}

void ScopeWindow::toggleCh2Trace() {
  record_.setCh2Hidden(record_.Ch2Hidden() == 0 ? 1 : 0);
  redrawDisplay();
}

void ScopeWindow::toggleArithTrace() {
  record_.setArithShown(record_.ArithShown() == 1 ? 0 : 1);
  redrawDisplay();
}

void ScopeWindow::toggleRecallTrace() {
  record_.setRecallShown(record_.RecallShown() ^ 1);
  redrawDisplay();
}

void ScopeWindow::toggleGoNogoLimits() {
  record_.setLimitsHidden(record_.LimitsHidden() == 1 ? 0 : 1);
  redrawDisplay();
}

// --- Pointer on the display area.

void ScopeWindow::onDisplayPressed(QMouseEvent* event, QPoint at) {
  if (event->button() == Qt::RightButton) {
    displayMenu_->popup(event->globalPosition().toPoint());
    return;
  }
  if (event->button() != Qt::LeftButton) return;
  // A grabbed cursor leaves the bitmap without cursors; the display keeps showing them until
  // the first move.
  if (state_.cursors.type != CursorType::None) dragBitmap_ = bitmap_;
  drag_.mouseDown(at.x(), at.y(), record_, state_, bitmap_, host_.colors());
  if (drag_.dragging() && drag_.target() == DragTarget::Cursor) {
    displayArea_->showSurface(dragBitmap_);
  }
}

void ScopeWindow::onDisplayDragged(QPoint at) {
  if (!drag_.dragging()) return;
  applyDragStep(
      drag_.mouseMove(at.x(), at.y(), record_, state_, bitmap_, dragBitmap_, host_.colors()));
}

void ScopeWindow::onDisplayReleased(QMouseEvent* event, QPoint at) {
  if (event->button() != Qt::LeftButton || !drag_.dragging()) return;
  const bool cursor = drag_.target() == DragTarget::Cursor;
  const DragStep step = drag_.mouseUp(at.x(), at.y(), state_);
  if (cursor) {
    onCursorTypeChanged();  // the cursors drawn into the picture again
    return;
  }
  applyDragStep(step);
}

void ScopeWindow::applyDragStep(const DragStep& step) {
  if (step.showBitmap) displayArea_->showSurface(bitmap_);
  if (step.showDisplay) displayArea_->showSurface(dragBitmap_);
  if (step.updateReadouts) showCursorReadouts();
  if (step.redraw) redrawDisplay();
  if (step.send) {
    // The instrument takes 16-bit words; a value dragged beyond the display goes as its word.
    const auto value = static_cast<uint16_t>(step.send->value);
    if (step.send->kind == 0) {
      host_.SendSetting(value, static_cast<uint16_t>(step.send->code));
    } else {
      host_.SendPosition(value, step.send->kind);
    }
  }
}

void ScopeWindow::onContrastScrolled(int position) {
  host_.SendPosition(static_cast<uint16_t>(position), 0);
  contrastBar_->setToolTip(QString("Contrast Setting (%1%)").arg(position));
}

}  // namespace corvane
