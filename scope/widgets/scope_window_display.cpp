// The scope window's display interaction: the grid, cursor and scale boxes, the popup menu and
// its toggles, marker, tag and cursor drags by pointer and keyboard, and the contrast bar.
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <algorithm>

#include "scope/cursor_conversions.h"
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
  cancelKeyDrag();
  if (event->button() == Qt::RightButton) {
    openDisplayMenu(event->globalPosition().toPoint(), false);
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

void ScopeWindow::openDisplayMenu(QPoint globalPosition, bool fromKeyboard) {
  if (displayMenu_->isVisible()) return;
  displayMenu_->popup(globalPosition);
  // Opened from the keyboard, the menu starts on its first entry, which a screen reader announces
  // as the menu's focus.
  if (fromKeyboard) displayMenu_->setActiveAction(displayMenu_->actions().value(0));
}

// --- The display from the keyboard.

std::optional<DragHandle> ScopeWindow::chosenHandle() const {
  if (!keyChoice_) return std::nullopt;
  for (const DragHandle& h : DragHandles(record_, state_)) {
    if (h.pick == *keyChoice_) return h;
  }
  return std::nullopt;
}

void ScopeWindow::chooseFirstHandle(bool forward) {
  if (chosenHandle()) {
    showKeyChoice();
    return;
  }
  const std::vector<DragHandle> handles = DragHandles(record_, state_);
  if (handles.empty()) {
    keyChoice_.reset();
  } else {
    keyChoice_ = forward ? handles.front().pick : handles.back().pick;
  }
  showKeyChoice();
}

bool ScopeWindow::cycleKeyChoice(bool forward) {
  cancelKeyDrag();
  const std::vector<DragHandle> handles = DragHandles(record_, state_);
  auto at = std::find_if(handles.begin(), handles.end(),
                         [&](const DragHandle& h) { return keyChoice_ && h.pick == *keyChoice_; });
  if (at == handles.end()) return false;
  const auto index = at - handles.begin() + (forward ? 1 : -1);
  // Past either end the focus moves on, and comes back to that end's handle.
  if (index < 0 || index >= int(handles.size())) {
    keyChoice_.reset();
    return false;
  }
  keyChoice_ = handles[std::size_t(index)].pick;
  showKeyChoice();
  return true;
}

bool ScopeWindow::onDisplayKey(QKeyEvent* event) {
  const int step = event->modifiers() & Qt::ShiftModifier ? 10 : 1;
  switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down: {
      if (!chosenHandle()) chooseFirstHandle(true);
      const std::optional<DragHandle> handle = chosenHandle();
      if (!handle) return true;
      const int dx = event->key() == Qt::Key_Left    ? -step
                     : event->key() == Qt::Key_Right ? step
                                                     : 0;
      const int dy = event->key() == Qt::Key_Up ? -step : event->key() == Qt::Key_Down ? step : 0;
      moveKeyPointer(*handle, handle->horizontal ? dx : 0, handle->vertical ? dy : 0);
      return true;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter:
      releaseKeyDrag();
      return true;
    case Qt::Key_Escape:
      if (!keyDragging_) return false;
      cancelKeyDrag();
      return true;
    default:
      return false;
  }
}

// The first step presses at the handle's pixel; every step moves the pointer, which stays on the
// data area for the axes the handle follows.
void ScopeWindow::moveKeyPointer(const DragHandle& handle, int dx, int dy) {
  if (dx == 0 && dy == 0) return;
  if (!keyDragging_) {
    keyDragStart_ = state_;
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(), QPointF(), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    onDisplayPressed(&press, {handle.x, handle.y});
    if (!drag_.dragging()) return;
    keyDragging_ = true;
    keyPointer_ = {handle.x, handle.y};
  }
  if (dx != 0) keyPointer_.setX(std::clamp(keyPointer_.x() + dx, 12, 312));
  if (dy != 0) keyPointer_.setY(std::clamp(keyPointer_.y() + dy, 10, 250));
  onDisplayDragged(keyPointer_);
  showKeyChoice();
}

void ScopeWindow::releaseKeyDrag() {
  if (!keyDragging_) return;
  keyDragging_ = false;
  QMouseEvent release(QEvent::MouseButtonRelease, QPointF(), QPointF(), Qt::LeftButton,
                      Qt::NoButton, Qt::NoModifier);
  onDisplayReleased(&release, keyPointer_);
  showKeyChoice();
}

// Nothing is sent; the dragged tags and cursors go back to where the drag found them.
void ScopeWindow::cancelKeyDrag() {
  if (!keyDragging_) return;
  keyDragging_ = false;
  drag_ = CursorDrag();
  state_.ch1Position = keyDragStart_.ch1Position;
  state_.ch2Position = keyDragStart_.ch2Position;
  state_.arithPosition = keyDragStart_.arithPosition;
  state_.cursors = keyDragStart_.cursors;
  redrawDisplay();
}

// The focus frame and the readout of the chosen handle, at the pointer while it is dragged.
void ScopeWindow::showKeyChoice() {
  DragPick pick;
  if (keyChoice_ && (keyDragging_ || chosenHandle())) pick = *keyChoice_;
  const CursorState& c = state_.cursors;
  const bool second = pick.cursor == 1;
  QRect mark;
  QString text;
  switch (pick.target) {
    case DragTarget::TriggerPosition: {
      const int value = keyDragging_ ? XToTriggerPosition(keyPointer_.x()) : state_.triggerPosition;
      mark = QRect(int(TriggerPositionToX(value)) - 4, 0, 9, 10);
      text = QString("Trigger position %1").arg(value);
      break;
    }
    case DragTarget::TriggerLevel: {
      const int value = keyDragging_ ? YToLevel(keyPointer_.y()) : state_.triggerLevel;
      mark = QRect(313, LevelToY(value) - 5, 8, 11);
      text = QString("Trigger level %1").arg(value);
      break;
    }
    case DragTarget::Ch1Tag:
    case DragTarget::Ch2Tag:
    case DragTarget::ArithTag: {
      const bool ch1 = pick.target == DragTarget::Ch1Tag;
      const int value = ch1                                 ? state_.ch1Position
                        : pick.target == DragTarget::Ch2Tag ? state_.ch2Position
                                                            : state_.arithPosition;
      mark = QRect(0, PositionToY(value) - 6, 12, 13);
      text = QString("%1 position %2")
                 .arg(ch1                                 ? "CH1"
                      : pick.target == DragTarget::Ch2Tag ? "CH2"
                                                          : "Arithmetic")
                 .arg(value);
      break;
    }
    case DragTarget::Cursor: {
      const int x = second ? c.x2 : c.x1;
      const int y = second ? c.y2 : c.y1;
      const QString delta(QChar(0x0394));
      QStringList parts;
      if (c.type == CursorType::Time || c.type == CursorType::Pair) {
        parts << QString("T%1 %2")
                     .arg(second ? 2 : 1)
                     .arg((second ? time2Label_ : time1Label_)->text())
              << delta + "T " + timeDeltaLabel_->text()
              << "1/" + delta + "T " + frequencyLabel_->text();
      }
      if (c.type == CursorType::Voltage || c.type == CursorType::Pair) {
        parts << delta + "V1 " + ch1VoltDeltaLabel_->text()
              << delta + "V2 " + ch2VoltDeltaLabel_->text();
      }
      if (c.type == CursorType::Time) mark = QRect(x - 2, 10, 5, 241);
      if (c.type == CursorType::Voltage) mark = QRect(12, y - 2, 301, 5);
      if (c.type == CursorType::Pair) mark = QRect(x - 4, y - 4, 9, 9);
      text = QString("%1 %2: ")
                 .arg(c.type == CursorType::Pair ? "Point" : "Cursor")
                 .arg(second ? 2 : 1) +
             parts.join(", ");
      break;
    }
    case DragTarget::None:
      break;
  }
  displayArea_->setFocusMark(mark);
  displayArea_->setReadout(text);
}

void ScopeWindow::onContrastScrolled(int position) {
  host_.SendPosition(static_cast<uint16_t>(position), 0);
  contrastBar_->setToolTip(QString("Contrast Setting (%1%)").arg(position));
}

}  // namespace corvane
