// The display area of a scope window: shows one DisplayBitmap pixel for pixel (or enlarged by a
// whole factor), wrapping the bitmap's own memory, and hands pointer and key events on in bitmap
// pixels.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QWidget>
#include <functional>

#include "scope/display_bitmap.h"

class QKeyEvent;
class QMouseEvent;

namespace corvane {

class ScopeDisplay : public QWidget {
  Q_OBJECT

 public:
  // The widget is a row taller than the bitmap and three columns narrower, as the window has
  // always shown it.
  static constexpr int kAreaWidth = 321;
  static constexpr int kAreaHeight = 255;

  explicit ScopeDisplay(QWidget* parent = nullptr);

  // Shows `surface` from now on (the window's bitmap, or the copy a cursor drag draws on) and
  // schedules a repaint. The surface must outlive the display area or the next showSurface.
  void showSurface(const DisplayBitmap& surface);
  const DisplayBitmap* surface() const { return surface_; }

  // The operator's display size, 1..3: every bitmap pixel becomes that many pixels square. The
  // widget's size follows.
  void setZoom(int zoom);
  int zoom() const { return zoom_; }

  // A pointer position in widget coordinates as a bitmap pixel, undoing the whole-factor
  // enlargement. Far-away positions are limited so that the result always fits an int.
  QPoint toBitmap(QPointF position) const;
  // Device pixels per bitmap pixel: the zoom times the screen's device pixel ratio, rounded down
  // to a whole number (at least 1).
  int scaleFactor() const;

  // The keyboard's chosen marker or cursor, in bitmap pixels, framed while the area has the focus;
  // an empty rectangle frames nothing.
  void setFocusMark(QRect bitmapRect);
  // What the keyboard's choice reads now ("CH1 position 200", the cursor readouts): the area's
  // accessible value, announced as a value change.
  void setReadout(const QString& text);
  QString readout() const { return readout_; }

  // Pointer events with the bitmap pixel they happened at.
  std::function<void(QMouseEvent*, QPoint)> onPress, onMove, onRelease;
  // Keys while the area has the focus; returns whether the key was used.
  std::function<bool(QKeyEvent*)> onKey;
  // Tab within the area: true when the choice moved to another marker or cursor, false when it
  // ran past the last one and the focus should move on.
  std::function<bool(bool forward)> onCycle;
  // The focus arrived (`forward`: by Tab or a click, not Shift+Tab) or left (not to a popup).
  std::function<void(bool forward)> onFocusIn;
  std::function<void()> onFocusOut;
  // The Menu key or Shift+F10: the popup menu at this global position.
  std::function<void(QPoint)> onMenuKey;
  // Drops every handler above: the owner is going, while the area still gets events (a focus-out
  // as the window closes) until its own destructor runs.
  void clearHandlers();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  bool focusNextPrevChild(bool next) override;

 private:
  QRect toWidget(QRect bitmapRect) const;

  const DisplayBitmap* surface_ = nullptr;
  QImage image_;  // wraps surface_'s pixels, no copy
  int zoom_ = 1;
  QRect focusMark_;
  QString readout_;
};

}  // namespace corvane
