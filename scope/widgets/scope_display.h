// The display area of a scope window: shows one DisplayBitmap pixel for pixel, wrapping the
// bitmap's own memory, and hands pointer events on in bitmap pixels.
#pragma once

#include <QImage>
#include <QPoint>
#include <QWidget>
#include <functional>

#include "scope/display_bitmap.h"

class QMouseEvent;

namespace corvane {

class ScopeDisplay : public QWidget {
  Q_OBJECT

 public:
  explicit ScopeDisplay(QWidget* parent = nullptr);

  // Shows `surface` from now on (the window's bitmap, or the copy a cursor drag draws on) and
  // schedules a repaint. The surface must outlive the display area or the next showSurface.
  void showSurface(const DisplayBitmap& surface);
  const DisplayBitmap* surface() const { return surface_; }

  // A pointer position in widget coordinates as a bitmap pixel. On a screen with a device pixel
  // ratio above 1 the picture is enlarged by a whole factor, and this undoes it. Far-away
  // positions are limited so that the result always fits an int.
  QPoint toBitmap(QPointF position) const;
  // The whole factor each bitmap pixel is enlarged by on this screen (1 at ratio below 2).
  int scaleFactor() const;

  // Pointer events with the bitmap pixel they happened at.
  std::function<void(QMouseEvent*, QPoint)> onPress, onMove, onRelease;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  const DisplayBitmap* surface_ = nullptr;
  QImage image_;  // wraps surface_'s pixels, no copy
};

}  // namespace corvane
