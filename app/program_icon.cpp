#include "app/program_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace corvane {

void drawProgramIcon(QPainter& p, qreal s) {
  p.setRenderHint(QPainter::Antialiasing);
  QRectF body(s * 0.04, s * 0.12, s * 0.92, s * 0.76);
  p.setPen(QPen(QColor(40, 40, 60), s / 32));
  p.setBrush(QColor(70, 80, 110));
  p.drawRoundedRect(body, s * 0.08, s * 0.08);
  QRectF screen(s * 0.12, s * 0.2, s * 0.76, s * 0.6);
  p.setBrush(Qt::black);
  p.drawRect(screen);
  p.setPen(QPen(QColor(0x77, 0x77, 0x77), std::max(1.0, s / 64)));
  for (int i = 1; i < 4; ++i) {
    qreal x = screen.left() + screen.width() * i / 4;
    qreal y = screen.top() + screen.height() * i / 4;
    p.drawLine(QPointF(x, screen.top()), QPointF(x, screen.bottom()));
    p.drawLine(QPointF(screen.left(), y), QPointF(screen.right(), y));
  }
  QPainterPath trace;
  for (int i = 0; i <= 64; ++i) {
    qreal t = i / 64.0;
    QPointF pt(screen.left() + screen.width() * t,
               screen.center().y() - screen.height() * 0.35 * std::sin(t * 4 * M_PI));
    if (i == 0) {
      trace.moveTo(pt);
    } else {
      trace.lineTo(pt);
    }
  }
  p.setPen(QPen(QColor(80, 255, 120), std::max(1.5, s / 20)));
  p.setBrush(Qt::NoBrush);
  p.drawPath(trace);
}

QPixmap paintProgramIcon(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  drawProgramIcon(painter, size);
  return pixmap;
}

QIcon programIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128, 256}) icon.addPixmap(paintProgramIcon(size));
  return icon;
}

}  // namespace corvane
