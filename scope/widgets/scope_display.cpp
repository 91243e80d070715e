#include "scope/widgets/scope_display.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace corvane {
namespace {

// Well beyond any screen, well within int: a pointer dragged anywhere still maps to a number the
// drag arithmetic can take.
constexpr double kPointerLimit = 1 << 24;

}  // namespace

ScopeDisplay::ScopeDisplay(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAccessibleName("Waveform display");
}

void ScopeDisplay::showSurface(const DisplayBitmap& surface) {
  if (surface_ != &surface) {
    surface_ = &surface;
    // The bitmap's 0x00BBGGRR words are the bytes R, G, B, 0 in memory: RGBX8888, which
    // ignores the fourth byte.
    image_ = QImage(reinterpret_cast<const uchar*>(surface.data()), DisplayBitmap::width(),
                    DisplayBitmap::height(), DisplayBitmap::width() * 4, QImage::Format_RGBX8888);
  }
  update();
}

int ScopeDisplay::scaleFactor() const {
  return std::max(1, int(std::floor(devicePixelRatioF())));
}

QPoint ScopeDisplay::toBitmap(QPointF position) const {
  const double scale = devicePixelRatioF() / scaleFactor();
  auto map = [scale](double v) {
    return int(std::clamp(std::floor(v * scale), -kPointerLimit, kPointerLimit));
  };
  return {map(position.x()), map(position.y())};
}

void ScopeDisplay::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (image_.isNull()) {
    painter.fillRect(rect(), Qt::black);
    return;
  }
  // Whole-factor enlargement only, never smoothed: every bitmap pixel stays a sharp square.
  painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
  const double size = scaleFactor() / devicePixelRatioF();
  const QRectF picture(0, 0, image_.width() * size, image_.height() * size);
  painter.drawImage(picture, image_);
  // The area is a row taller than the bitmap; what the picture leaves uncovered stays black.
  if (picture.bottom() < height()) {
    painter.fillRect(QRectF(0, picture.bottom(), width(), height() - picture.bottom()), Qt::black);
  }
}

void ScopeDisplay::mousePressEvent(QMouseEvent* event) {
  if (onPress) onPress(event, toBitmap(event->position()));
}

void ScopeDisplay::mouseMoveEvent(QMouseEvent* event) {
  if (onMove) onMove(event, toBitmap(event->position()));
}

void ScopeDisplay::mouseReleaseEvent(QMouseEvent* event) {
  if (onRelease) onRelease(event, toBitmap(event->position()));
}

}  // namespace corvane
