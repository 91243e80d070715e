#include "print/report_renderer.h"

#include <QBuffer>
#include <QFontMetrics>
#include <QLocale>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QPen>
#include <QRegularExpression>
#include <QTime>

namespace corvane {
namespace {

int textHeight(const QPaintDevice& device, int pointSize, const QString& text) {
  return QFontMetrics(reportFont(pointSize), &device).size(Qt::TextSingleLine, text).height();
}

// Text with its top-left corner at (x, y), as a printer's TextOut places it. Invalid UTF-8 turns
// into replacement characters; nothing is clipped, so a long line runs off the page.
void textOut(QPainter& painter, int x, int y, const std::string& text) {
  if (text.empty()) return;
  QString s = QString::fromUtf8(text.data(), qsizetype(text.size()));
  // No character is narrower than a device pixel, so a row never shows more characters than the
  // page is wide; the rest of an enormous line is not laid out at all.
  const qsizetype visible = painter.device()->width();
  if (s.size() > visible) {
    s.truncate(visible);
    if (s.back().isHighSurrogate()) s.chop(1);
  }
  painter.drawText(QPointF(x, y + painter.fontMetrics().ascent()), s);
}

void rule(QPainter& painter, const ReportLayout& l, int y, int width) {
  painter.setPen(QPen(Qt::black, width, Qt::SolidLine, Qt::FlatCap));
  painter.drawLine(l.x(1), y, l.x(11), y);
  painter.setPen(QPen(Qt::black, 1));
}

QString title(const ReportContent& content, const char* page) {
  return QStringLiteral("Corvane - (") + QString::fromUtf8(content.timeText.c_str()) +
         QStringLiteral(")  ") + QLatin1String(page);
}

bool isTraceColor(const DisplayColors& c, uint32_t color) {
  return color == (c.ch1 & 0xFFFFFF) || color == (c.ch2 & 0xFFFFFF) ||
         color == (c.merge & 0xFFFFFF) || color == (c.recall & 0xFFFFFF) ||
         color == (c.goNoGo & 0xFFFFFF);
}

// Beside the graticule (left of column 12, below row 10) only the trace colours are printed, so
// the scale marks there stay off the paper.
bool printed(const ReportContent& content, int px, int py) {
  const uint32_t color = content.picture.pixel(px, py);
  if (px >= 12 || py < 10) return color != kBlack;
  return isTraceColor(content.colors, color);
}

void drawPicture(QPainter& painter, const ReportLayout& l, const ReportContent& content) {
  const int x0 = l.pictureLeft();
  const int y0 = l.pictureTop();
  // Neighbouring printed pixels of a row are one rectangle: the same device pixels, far fewer
  // drawing operations.
  for (int py = 0; py < kDisplayHeight; ++py) {
    int px = 0;
    while (px < kDisplayWidth) {
      if (!printed(content, px, py)) {
        ++px;
        continue;
      }
      const int start = px;
      while (px < kDisplayWidth && printed(content, px, py)) ++px;
      painter.fillRect(QRect(x0 + start * l.D, y0 + py * l.D, (px - start) * l.D, l.D), Qt::black);
    }
  }
}

}  // namespace

QFont reportFont(int pointSize) {
  QFont font;
  font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
  font.setPointSize(pointSize);
  font.setStyleHint(QFont::SansSerif, QFont::NoAntialias);
  return font;
}

ReportLayout reportLayout(const QPaintDevice& device) {
  ReportLayout l;
  l.W = device.width();
  l.C = l.W / 12;
  l.D = l.C * 10 / kDisplayWidth;
  const QString aaa = QStringLiteral("AAA");
  const QString sss = QStringLiteral("SSS");
  l.T18 = textHeight(device, 18, aaa);
  l.S18 = textHeight(device, 18, sss);
  l.h = textHeight(device, 10, sss);
  l.T20 = textHeight(device, 20, aaa);
  l.T10 = textHeight(device, 10, aaa);
  return l;
}

void drawScopePage(QPainter& painter, const ReportLayout& l, const ReportContent& content) {
  painter.setBackgroundMode(Qt::TransparentMode);
  painter.setPen(QPen(Qt::black, 1));
  painter.setFont(reportFont(18));
  painter.drawText(QPointF(l.x(1), l.T18 + painter.fontMetrics().ascent()),
                   title(content, "Scope"));

  drawPicture(painter, l, content);

  int y = l.pictureTop() + kDisplayHeight * l.D + l.S18;
  painter.setFont(reportFont(10));
  for (const ReportRow& row : scopeTableRows(content)) {
    switch (row.kind) {
      case ReportRow::Kind::Heading:
        textOut(painter, l.x(1), y, row.label);
        y += l.h + l.h / 4;
        rule(painter, l, y, 2);
        y += l.h / 4;
        break;
      case ReportRow::Kind::Text:
        textOut(painter, l.x(1), y, row.label);
        textOut(painter, l.x(5), y, row.first);
        textOut(painter, l.x(9), y, row.second);
        y += l.h + l.h / 8;
        break;
      case ReportRow::Kind::Rule:
        rule(painter, l, y, 1);
        y += l.h;
        break;
      case ReportRow::Kind::ClosingRule:
        rule(painter, l, y, 1);
        break;
    }
  }
}

void drawNotesPage(QPainter& painter, const ReportLayout& l, const ReportContent& content) {
  painter.setBackgroundMode(Qt::TransparentMode);
  painter.setPen(QPen(Qt::black, 1));
  painter.setFont(reportFont(20));
  painter.drawText(QPointF(l.x(1), 50 + painter.fontMetrics().ascent()), title(content, "Notes"));
  int y = l.T20 + 80;
  painter.setFont(reportFont(10));
  const int pageHeight = painter.device()->height();
  for (const std::string& line : content.notes) {
    // Lines below the bottom edge would not show; a huge notes file costs nothing for them.
    if (y >= pageHeight) break;
    textOut(painter, l.x(2), y, line);
    y += l.T10 + 20;
  }
}

bool drawReport(QPainter& painter, const ReportContent& content, const PrintOptions& options,
                const std::function<bool()>& newPage) {
  const ReportLayout layout = reportLayout(*painter.device());
  if (options.waveFormPrint) drawScopePage(painter, layout, content);
  if (options.notesPrint) {
    if (options.waveFormPrint && !newPage()) return false;
    drawNotesPage(painter, layout, content);
  }
  return true;
}

bool printReport(QPagedPaintDevice& device, const ReportContent& content,
                 const PrintOptions& options) {
  QPainter painter;
  if (!painter.begin(&device)) return false;
  const bool done = drawReport(painter, content, options, [&] { return device.newPage(); });
  return painter.end() && done;
}

QByteArray reportPdf(const ReportContent& content, const PrintOptions& options) {
  QByteArray pdf;
  QBuffer buffer(&pdf);
  if (!buffer.open(QIODevice::WriteOnly)) return {};
  {
    QPdfWriter writer(&buffer);
    writer.setCreator(QStringLiteral("Corvane"));
    writer.setTitle(QStringLiteral("Corvane"));
    writer.setResolution(600);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
    if (!printReport(writer, content, options)) return {};
  }
  buffer.close();
  return pdf;
}

QImage makeReportPage(int width, int height, int dotsPerInch) {
  QImage page(width, height, QImage::Format_Grayscale8);
  const int dotsPerMeter = int(dotsPerInch / 0.0254 + 0.5);
  page.setDotsPerMeterX(dotsPerMeter);
  page.setDotsPerMeterY(dotsPerMeter);
  page.fill(Qt::white);
  return page;
}

std::vector<QImage> renderReportImages(const ReportContent& content, const PrintOptions& options,
                                       int width, int height, int dotsPerInch) {
  std::vector<QImage> pages;
  if (!options.waveFormPrint && !options.notesPrint) return pages;
  pages.push_back(makeReportPage(width, height, dotsPerInch));
  QPainter painter(&pages.back());
  drawReport(painter, content, options, [&] {
    painter.end();
    pages.push_back(makeReportPage(width, height, dotsPerInch));
    return painter.begin(&pages.back());
  });
  painter.end();
  return pages;
}

std::string currentTimeOfDayText() {
  const QLocale locale = QLocale::system();
  // The long format has the seconds; its time-zone part does not belong in a time of day.
  QString format = locale.timeFormat(QLocale::LongFormat);
  format.remove(QRegularExpression(QStringLiteral("\\s*t+")));
  return locale.toString(QTime::currentTime(), format.trimmed()).toStdString();
}

}  // namespace corvane
