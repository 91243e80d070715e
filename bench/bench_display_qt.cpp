// One full display composition of a busy record (both channels as vectors, arithmetic and
// recall traces, FULL grid, Pair cursors) with the core's own primitives, beside the same
// picture drawn with QPainter into a QImage, the way a Qt widget would draw it directly.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPolygon>
#include <vector>

#include "analysis/value_tables.h"
#include "scope/display_compose.h"
#include "tests/scope/display_test_records.h"

namespace {

using namespace corvane;

struct Busy {
  WaveformBlock record = testing::MakeBusyRecord();
  WindowState state;
  Busy() {
    AcceptArrivingRecord(record, state);
    state.grid = GridKind::Full;
    state.cursors.type = CursorType::Pair;
  }
};

void BM_ComposeDisplay(benchmark::State& st) {
  Busy busy;
  DisplayBitmap bitmap;
  for (auto _ : st) {
    ComposeDisplay(bitmap, busy.record, busy.state, DisplayColors{});
    benchmark::DoNotOptimize(bitmap.data());
  }
}
BENCHMARK(BM_ComposeDisplay);

QColor qcolor(uint32_t c) {
  return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int(c >> 16));
}

int64_t nearest(double v) {
  return roundHalfEven(v);
}

// The same steps with QPainter: lines, points, rectangles, polygons and text.
void paintWithQt(QImage& image, const WaveformBlock& r, const WindowState& s, QFont& font) {
  const DisplayColors colors;
  QPainter p(&image);
  p.fillRect(0, 0, 324, 254, Qt::black);
  p.setPen(qcolor(colors.grid));
  p.drawRect(12, 10, 299, 239);
  for (int t = 0; t <= 294; t += 6) {
    p.drawLine(12 + t, 10, 12 + t, 13);
    p.drawLine(12 + t, 249, 12 + t, 246);
  }
  for (int t = 0; t <= 234; t += 6) {
    p.drawLine(12, 10 + t, 15, 10 + t);
    p.drawLine(311, 10 + t, 308, 10 + t);
  }
  p.drawLine(12, 130, 311, 130);
  p.drawLine(162, 10, 162, 249);
  for (int t = 0; t <= 294; t += 6) {
    p.drawLine(12 + t, t % 30 ? 127 : 126, 12 + t, t % 30 ? 133 : 134);
  }
  for (int t = 0; t <= 234; t += 6) {
    p.drawLine(t % 30 ? 159 : 158, 10 + t, t % 30 ? 165 : 166, 10 + t);
  }
  for (int x = 12; x <= 282; x += 30) {
    for (int y = 10; y <= 244; y += 6) p.drawPoint(x, y);
  }
  for (int y = 10; y <= 220; y += 30) {
    for (int x = 12; x <= 306; x += 6) p.drawPoint(x, y);
  }
  std::vector<QPoint> points;
  points.reserve(300);
  auto trace = [&](int ch, int windowPosition, uint32_t color) {
    const double pp = std::clamp(int(r.position(ch)), 87, 287) - 87;
    const double shift = 1.2 * (std::clamp(windowPosition, 87, 287) - 87);
    points.clear();
    for (int k = 0; k <= 496; k += 4) {
      const int x = int(12 + nearest(0.6 * k));
      for (int j = k; j <= k + 1; ++j) {
        const double w = 226.0 - r.sample(ch, j) - pp;
        points.emplace_back(x, int(std::clamp<int64_t>(11 + nearest(1.2 * w + shift), 9, 250)));
      }
    }
    p.setPen(qcolor(color));
    p.drawPolyline(points.data(), int(points.size()));
  };
  trace(0, s.ch1Position, colors.ch1);
  trace(1, s.ch2Position, colors.ch2);
  points.clear();
  for (int i = 0; i <= 494; i += 2) {
    const int x = int(12 + nearest(0.6 * i));
    points.emplace_back(x, int(280 - nearest(1.2 * r.ArithTrace(i))));
    points.emplace_back(x, int(280 - nearest(1.2 * r.ArithTrace(i + 1))));
  }
  p.setPen(qcolor(colors.merge));
  p.drawPolyline(points.data(), int(points.size()));
  points.clear();
  for (int i0 = 0; i0 <= 492; i0 += 4) {
    for (int j = i0; j < i0 + 4; ++j) {
      if (r.RecallValid(j) == 1) {
        points.emplace_back(int(12 + nearest(0.6 * i0)),
                            int(282 - nearest(1.2 * r.RecallSamples(j))));
      }
    }
  }
  p.setPen(qcolor(colors.recall));
  p.drawPolyline(points.data(), int(points.size()));
  for (int lower = 0; lower < 2; ++lower) {
    points.clear();
    for (int i0 = 0; i0 <= 492; i0 += 4) {
      for (int j = i0; j < i0 + 4; ++j) {
        points.emplace_back(int(12 + nearest(0.6 * i0)),
                            int(282 - nearest(1.2 * (lower ? r.LimitLower(j) : r.LimitUpper(j)))));
      }
    }
    p.setPen(qcolor(colors.goNoGo));
    p.drawPolyline(points.data(), int(points.size()));
  }
  p.fillRect(312, 10, 9, 240, Qt::black);
  const int ly = 10 + int(nearest(1.2 * (std::clamp(s.triggerLevel, 125, 325) - 125)));
  p.setPen(QColor(255, 255, 0));
  p.setBrush(QColor(255, 255, 0));
  p.drawPolygon(QPolygon({QPoint(312, ly), QPoint(317, ly - 3), QPoint(317, ly + 3)}));
  p.setPen(qcolor(colors.cursor));
  p.drawLine(s.cursors.x1, 10, s.cursors.x1, 249);
  p.drawLine(s.cursors.x2, 10, s.cursors.x2, 249);
  p.drawLine(12, s.cursors.y1, 311, s.cursors.y1);
  p.drawLine(12, s.cursors.y2, 311, s.cursors.y2);
  p.setBrush(qcolor(inverseColor(colors.cursor)));
  p.drawRect(s.cursors.x1 - 2, s.cursors.y1 - 2, 4, 4);
  p.drawRect(s.cursors.x2 - 2, s.cursors.y2 - 2, 4, 4);
  p.fillRect(0, 5, 12, 255, Qt::black);
  p.setFont(font);
  p.setBackgroundMode(Qt::OpaqueMode);
  const std::pair<const char*, int> tags[] = {
      {"1", s.ch1Position}, {"2", s.ch2Position}, {"M", s.arithPosition}};
  for (auto [text, position] : tags) {
    const int y = 10 + int(nearest(1.2 * (std::clamp(position, 125, 325) - 125)));
    p.setBackground(Qt::white);
    p.setPen(Qt::black);
    p.drawText(QRect(4, y - 5, 8, 12), Qt::AlignLeft | Qt::AlignTop, QString::fromLatin1(text));
  }
  p.fillRect(0, 0, 322, 10, Qt::black);
  p.fillRect(12, 250, 310, 10, Qt::black);
  const int x = std::clamp(int(5 + nearest(1.2 * s.triggerPosition)), 12, 312);
  p.setPen(QColor(255, 0, 0));
  p.setBrush(QColor(255, 0, 0));
  p.drawPolygon(QPolygon({QPoint(x, 8), QPoint(x - 3, 3), QPoint(x + 3, 3)}));
}

void BM_QPainterReference(benchmark::State& st) {
  Busy busy;
  QImage image(324, 254, QImage::Format_RGB32);
  QFont font(QStringLiteral("Monospace"));
  font.setPixelSize(12);
  for (auto _ : st) {
    paintWithQt(image, busy.record, busy.state, font);
    benchmark::DoNotOptimize(image.constBits());
  }
}
BENCHMARK(BM_QPainterReference);

}  // namespace

// QPainter's text needs a QGuiApplication; the offscreen platform needs no display.
int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
