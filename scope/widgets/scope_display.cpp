#include "scope/widgets/scope_display.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace corvane {
namespace {

// Well beyond any screen, well within int: a pointer dragged anywhere still maps to a number the
// drag arithmetic can take.
constexpr double kPointerLimit = 1 << 24;

// The area as an assistive tool sees it: its value is the keyboard choice's readout.
class ScopeDisplayAccessible : public QAccessibleWidget {
 public:
  explicit ScopeDisplayAccessible(ScopeDisplay* display)
      : QAccessibleWidget(display, QAccessible::Canvas) {}

  QString text(QAccessible::Text t) const override {
    const QString readout = static_cast<ScopeDisplay*>(widget())->readout();
    if (t == QAccessible::Value) return readout;
    // Screen readers speak a name change of the focused object; the value alone they do not.
    if (t == QAccessible::Name && !readout.isEmpty()) {
      return widget()->accessibleName() + ", " + readout;
    }
    return QAccessibleWidget::text(t);
  }
};

QAccessibleInterface* displayAccessible(const QString& className, QObject* object) {
  if (className == QLatin1String(ScopeDisplay::staticMetaObject.className())) {
    return new ScopeDisplayAccessible(static_cast<ScopeDisplay*>(object));
  }
  return nullptr;
}

}  // namespace

ScopeDisplay::ScopeDisplay(QWidget* parent) : QWidget(parent) {
  static const bool installed = (QAccessible::installFactory(displayAccessible), true);
  (void)installed;
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::StrongFocus);
  setAccessibleName("Waveform display");
  setFixedSize(kAreaWidth, kAreaHeight);
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

void ScopeDisplay::setZoom(int zoom) {
  zoom_ = std::clamp(zoom, 1, 3);
  setFixedSize(kAreaWidth * zoom_, kAreaHeight * zoom_);
  update();
}

int ScopeDisplay::scaleFactor() const {
  return std::max(1, int(std::floor(zoom_ * devicePixelRatioF())));
}

QPoint ScopeDisplay::toBitmap(QPointF position) const {
  const double scale = devicePixelRatioF() / scaleFactor();
  auto map = [scale](double v) {
    return int(std::clamp(std::floor(v * scale), -kPointerLimit, kPointerLimit));
  };
  return {map(position.x()), map(position.y())};
}

QRect ScopeDisplay::toWidget(QRect r) const {
  const double size = scaleFactor() / devicePixelRatioF();
  return QRectF(r.x() * size, r.y() * size, r.width() * size, r.height() * size).toRect();
}

void ScopeDisplay::setFocusMark(QRect bitmapRect) {
  if (bitmapRect == focusMark_) return;
  focusMark_ = bitmapRect;
  update();
}

void ScopeDisplay::setReadout(const QString& text) {
  if (text == readout_) return;
  readout_ = text;
  QAccessibleValueChangeEvent value(this, text);
  QAccessible::updateAccessibility(&value);
  QAccessibleEvent name(this, QAccessible::NameChanged);
  QAccessible::updateAccessibility(&name);
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
  if (!hasFocus()) return;
  // Black under white dashes: visible over every trace and grid colour.
  const QRect frame = focusMark_.isEmpty() ? rect().adjusted(0, 0, -1, -1) : toWidget(focusMark_);
  painter.setPen(QPen(Qt::black, 1));
  painter.drawRect(frame);
  painter.setPen(QPen(Qt::white, 1, Qt::DashLine));
  painter.drawRect(frame);
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

void ScopeDisplay::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Menu ||
      (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier)) {
    QContextMenuEvent menu(QContextMenuEvent::Keyboard, rect().center(),
                           mapToGlobal(rect().center()));
    contextMenuEvent(&menu);
    return;
  }
  if (onKey && onKey(event)) return;
  QWidget::keyPressEvent(event);
}

// A right press already opened the menu (onPress); only the Menu key comes here.
void ScopeDisplay::contextMenuEvent(QContextMenuEvent* event) {
  if (event->reason() != QContextMenuEvent::Keyboard) return;
  const QPoint at = focusMark_.isEmpty() ? rect().center() : toWidget(focusMark_).center();
  if (onMenuKey) onMenuKey(mapToGlobal(at));
}

void ScopeDisplay::focusInEvent(QFocusEvent* event) {
  QWidget::focusInEvent(event);
  if (onFocusIn) onFocusIn(event->reason() != Qt::BacktabFocusReason);
  update();
}

void ScopeDisplay::clearHandlers() {
  onPress = onMove = onRelease = nullptr;
  onKey = nullptr;
  onCycle = nullptr;
  onFocusIn = nullptr;
  onFocusOut = nullptr;
  onMenuKey = nullptr;
}

void ScopeDisplay::focusOutEvent(QFocusEvent* event) {
  QWidget::focusOutEvent(event);
  if (onFocusOut && event->reason() != Qt::PopupFocusReason) onFocusOut();
  update();
}

bool ScopeDisplay::focusNextPrevChild(bool next) {
  if (hasFocus() && onCycle && onCycle(next)) return true;
  return QWidget::focusNextPrevChild(next);
}

}  // namespace corvane
