#include "app/toolbar_glyphs.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <string>

namespace corvane {
namespace {

const QColor kInk(30, 40, 70);
const QColor kAccent(0, 90, 200);
const QColor kWarm(210, 120, 20);

// Draws on a 24 x 24 canvas; the engine scales it to the size asked for.
class GlyphEngine : public QIconEngine {
 public:
  explicit GlyphEngine(std::string hint) : hint_(std::move(hint)) {}
  QIconEngine* clone() const override { return new GlyphEngine(hint_); }
  void paint(QPainter* p, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
    p->save();
    p->setRenderHint(QPainter::Antialiasing);
    p->translate(rect.topLeft());
    p->scale(rect.width() / 24.0, rect.height() / 24.0);
    if (mode == QIcon::Disabled) p->setOpacity(0.35);
    draw(*p);
    p->restore();
  }
  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    QPixmap pm(size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    paint(&p, QRect(QPoint(0, 0), size), mode, state);
    return pm;
  }

 private:
  void plate(QPainter& p, const QString& text, const QColor& color) const {
    p.setPen(QPen(color, 1.5));
    p.setBrush(QColor(245, 247, 252));
    p.drawRoundedRect(QRectF(2, 2, 20, 20), 4, 4);
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(text.size() > 1 ? 10 : 14);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRectF(2, 2, 20, 20), Qt::AlignCenter, text);
  }
  void circled(QPainter& p, const QString& text, const QString& family, bool italic) const {
    p.setPen(QPen(kAccent, 1.5));
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(2, 2, 20, 20));
    QFont f(family);
    f.setPixelSize(15);
    f.setBold(true);
    f.setItalic(italic);
    p.setFont(f);
    p.drawText(QRectF(2, 2, 20, 20), Qt::AlignCenter, text);
  }
  void page(QPainter& p) const {
    QPainterPath sheet;
    sheet.moveTo(5, 2);
    sheet.lineTo(14, 2);
    sheet.lineTo(19, 7);
    sheet.lineTo(19, 22);
    sheet.lineTo(5, 22);
    sheet.closeSubpath();
    p.setPen(QPen(kInk, 1.5));
    p.setBrush(Qt::white);
    p.drawPath(sheet);
    p.drawPolyline(QPolygonF({{14, 2}, {14, 7}, {19, 7}}));
  }
  void draw(QPainter& p) const {
    const std::string& h = hint_;
    if (h == "New File") {
      page(p);
      p.setPen(QPen(kAccent, 2));
      p.drawLine(QPointF(12, 11), QPointF(12, 19));
      p.drawLine(QPointF(8, 15), QPointF(16, 15));
    } else if (h == "File Open.") {
      p.setPen(QPen(kInk, 1.5));
      p.setBrush(QColor(250, 210, 110));
      p.drawPolygon(QPolygonF({{2, 6}, {9, 6}, {11, 8}, {21, 8}, {21, 20}, {2, 20}}));
      p.setBrush(QColor(255, 230, 150));
      p.drawPolygon(QPolygonF({{5, 11}, {23, 11}, {20, 20}, {2, 20}}));
    } else if (h == "File Save") {
      p.setPen(QPen(kInk, 1.5));
      p.setBrush(kAccent);
      p.drawRoundedRect(QRectF(3, 3, 18, 18), 2, 2);
      p.setBrush(Qt::white);
      p.drawRect(QRectF(7, 3, 10, 6));
      p.drawRect(QRectF(6, 13, 12, 8));
    } else if (h == "Print") {
      p.setPen(QPen(kInk, 1.5));
      p.setBrush(Qt::white);
      p.drawRect(QRectF(7, 2, 10, 7));
      p.setBrush(QColor(120, 130, 150));
      p.drawRoundedRect(QRectF(2, 9, 20, 9), 2, 2);
      p.setBrush(Qt::white);
      p.drawRect(QRectF(7, 15, 10, 7));
    } else if (h == "Trigger Set 50%") {
      p.setPen(QPen(kInk, 1.5));
      p.drawLine(QPointF(3, 19), QPointF(10, 19));
      p.drawLine(QPointF(10, 19), QPointF(14, 5));
      p.drawLine(QPointF(14, 5), QPointF(21, 5));
      p.setPen(QPen(kWarm, 2, Qt::DashLine));
      p.drawLine(QPointF(2, 12), QPointF(22, 12));
    } else if (h == "Run/Stop") {
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(20, 150, 60));
      p.drawPolygon(QPolygonF({{3, 4}, {12, 12}, {3, 20}}));
      p.setBrush(QColor(200, 30, 30));
      p.drawRect(QRectF(14, 5, 7, 14));
    } else if (h == "Auto Set") {
      plate(p, QStringLiteral("A"), kAccent);
    } else if (h == "Trigger Slope") {
      p.setPen(QPen(kInk, 1.8));
      p.drawPolyline(QPolygonF({{2, 19}, {8, 19}, {16, 5}, {22, 5}}));
      p.setPen(QPen(kWarm, 1.8));
      p.drawPolyline(QPolygonF({{9, 11}, {12, 8}, {15, 11}}));
    } else if (h == "Comm Port setup") {
      p.setPen(QPen(kInk, 1.5));
      p.setBrush(QColor(200, 205, 215));
      p.drawPolygon(QPolygonF({{2, 7}, {22, 7}, {19, 17}, {5, 17}}));
      p.setBrush(kInk);
      for (int i = 0; i < 5; ++i) p.drawEllipse(QPointF(6 + 3 * i, 10.5), 0.9, 0.9);
      for (int i = 0; i < 4; ++i) p.drawEllipse(QPointF(7.5 + 3 * i, 13.5), 0.9, 0.9);
    } else if (h == "Color setup") {
      const QColor colors[] = {QColor(220, 40, 40), QColor(40, 170, 60), QColor(40, 90, 220),
                               QColor(240, 200, 40)};
      p.setPen(QPen(kInk, 1));
      for (int i = 0; i < 4; ++i) {
        p.setBrush(colors[i]);
        p.drawEllipse(QRectF(3 + (i % 2) * 9, 3 + (i / 2) * 9, 9, 9));
      }
    } else if (h == "About") {
      circled(p, QStringLiteral("i"), QStringLiteral("Times New Roman"), true);
    } else if (h == "Help") {
      circled(p, QStringLiteral("?"), QStringLiteral("Arial"), false);
    } else if (h.starts_with("CH1") || h.starts_with("CH2")) {
      const QColor channel = h[2] == '1' ? QColor(200, 150, 0) : QColor(0, 140, 200);
      if (h.ends_with("Display")) {
        plate(p, QString(QChar(h[2])), channel);
        p.setPen(QPen(channel, 1.2));
        p.drawLine(QPointF(5, 19), QPointF(19, 19));
      } else {
        plate(p, QString(QChar(h[2])), channel);
        p.setPen(QPen(channel, 1.2));
        QPainterPath wave;
        wave.moveTo(5, 19);
        wave.cubicTo(8, 15, 10, 23, 12, 19);
        wave.cubicTo(14, 15, 16, 23, 19, 19);
        p.setBrush(Qt::NoBrush);
        p.drawPath(wave);
      }
    } else if (h == "Trigger Mode") {
      plate(p, QStringLiteral("M"), kWarm);
    } else if (h == "Trigger Source") {
      plate(p, QStringLiteral("S"), kWarm);
    } else if (h == "Trigger Couple") {
      plate(p, QStringLiteral("C"), kWarm);
    } else {
      plate(p, QString::fromStdString(h.substr(0, 1)), kInk);
    }
  }

  std::string hint_;
};

}  // namespace

QIcon toolbarGlyph(std::string_view hint) {
  return QIcon(new GlyphEngine(std::string(hint)));
}

}  // namespace corvane
