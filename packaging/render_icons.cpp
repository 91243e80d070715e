// Build-time tool: renders the program icon (the same drawing as the window icon) into a hicolor
// icon theme tree: PNGs at the usual sizes and one scalable SVG.
//
//   corvane-render-icons OUTDIR NAME   writes OUTDIR/hicolor/<N>x<N>/apps/NAME.png and
//                                      OUTDIR/hicolor/scalable/apps/NAME.svg
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>
#include <cstdio>

#include "app/program_icon.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: corvane-render-icons OUTDIR NAME\n");
    return 2;
  }
  // A GUI application only for its default font, which the SVG's text attributes carry.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QString root = QString::fromLocal8Bit(argv[1]) + QStringLiteral("/hicolor/");
  const QString name = QString::fromLocal8Bit(argv[2]);
  for (int size : {16, 24, 32, 48, 64, 128, 256}) {
    const QString dir = root + QStringLiteral("%1x%1/apps").arg(size);
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
      QPainter painter(&image);
      corvane::drawProgramIcon(painter, size);
    }
    if (!QDir().mkpath(dir) || !image.save(dir + QLatin1Char('/') + name + ".png")) {
      std::fprintf(stderr, "corvane-render-icons: cannot write %s\n", qPrintable(dir));
      return 1;
    }
  }
  const QString dir = root + QStringLiteral("scalable/apps");
  if (!QDir().mkpath(dir)) {
    std::fprintf(stderr, "corvane-render-icons: cannot make %s\n", qPrintable(dir));
    return 1;
  }
  constexpr int kDesignSize = 256;
  QSvgGenerator svg;
  svg.setFileName(dir + QLatin1Char('/') + name + ".svg");
  svg.setSize(QSize(kDesignSize, kDesignSize));
  svg.setViewBox(QRect(0, 0, kDesignSize, kDesignSize));
  svg.setTitle(QStringLiteral("Corvane"));
  QPainter painter;
  if (!painter.begin(&svg)) {
    std::fprintf(stderr, "corvane-render-icons: cannot write %s\n", qPrintable(dir));
    return 1;
  }
  corvane::drawProgramIcon(painter, kDesignSize);
  painter.end();
  return 0;
}
