// A scope window on the offscreen platform: one data arrival of a busy record (copy, status texts,
// measurements, arithmetic trace, composition, the display area's update) and one pointer-move
// step of a Pair cursor drag. The "AndPaint" variants also paint the display area at once.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QMouseEvent>

#include "bench/qt_benchmark_main.h"
#include "scope/widgets/scope_display.h"
#include "tests/scope/display_test_records.h"
#include "tests/scope_widgets/fake_scope_host.h"

namespace {

using namespace corvane;

struct ShownWindow {
  corvane::testing::FakeScopeHost host;
  ScopeWindow window{host, 0};
  WaveformBlock busy = corvane::testing::MakeBusyRecord();
  ScopeDisplay* area = window.findChild<ScopeDisplay*>("PaintBox1");
  ShownWindow() {
    window.show();
    QApplication::processEvents();
  }
  void mouse(QEvent::Type type, int x, int y) {
    QMouseEvent e(type, QPointF(x, y), area->mapToGlobal(QPointF(x, y)), Qt::LeftButton,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, {});
    QApplication::sendEvent(area, &e);
  }
};

void receive(benchmark::State& st, bool paint) {
  ShownWindow s;
  for (auto _ : st) {
    s.window.receiveRecord(s.busy);
    if (paint) s.area->repaint();
  }
}
void BM_ReceiveBlock(benchmark::State& st) {
  receive(st, false);
}
void BM_ReceiveBlockAndPaint(benchmark::State& st) {
  receive(st, true);
}
BENCHMARK(BM_ReceiveBlock);
BENCHMARK(BM_ReceiveBlockAndPaint);

void drag(benchmark::State& st, bool paint) {
  ShownWindow s;
  s.window.receiveRecord(s.busy);
  s.window.findChild<QComboBox*>("ComboBox1")->setCurrentIndex(3);  // Pair, points (100, 50)
  s.mouse(QEvent::MouseButtonPress, 100, 50);
  int step = 0;
  for (auto _ : st) {
    s.mouse(QEvent::MouseMove, 100 + step % 100, 50 + step % 80);
    if (paint) s.area->repaint();
    ++step;
  }
  s.mouse(QEvent::MouseButtonRelease, 100, 50);
}
void BM_CursorDragStep(benchmark::State& st) {
  drag(st, false);
}
void BM_CursorDragStepAndPaint(benchmark::State& st) {
  drag(st, true);
}
BENCHMARK(BM_CursorDragStep);
BENCHMARK(BM_CursorDragStepAndPaint);

}  // namespace

CORVANE_QT_BENCHMARK_MAIN()
