// The Measurements panel on the offscreen platform: what one hand-over costs the table and the
// trend plot, with an hour of history behind it. Each iteration is the worst case of RUN: the
// statistics and trend take the waveform, the plot redraws and the whole dock paints (the plot
// redraws at most four times a second, so at five waveforms a second nearly every one does).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <cmath>
#include <random>

#include "app/measurements_panel.h"
#include "app/trend_plot.h"
#include "bench/noisy_waveforms.h"
#include "bench/qt_benchmark_main.h"
#include "bench/silent_ui.h"

namespace {

using namespace corvane;
using bench::SilentUi;

struct HandOver {
  WaveformBlock record;
  Measurements measured;
};

// Measured as the window measures on arrival.
std::vector<HandOver> handOvers(int n) {
  std::vector<HandOver> out;
  for (WaveformBlock b : bench::noisyWaveforms(n, 7)) {
    out.push_back({b, MeasureChannels(b, recordScales(b))});
  }
  return out;
}

// range(0): the plot's span in minutes (1 or 60); three measurements of three units are plotted.
void BM_PanelHandOverWithRedraw(benchmark::State& state) {
  const auto waves = handOvers(64);
  SilentUi ui;
  int64_t now = 1'700'000'000'000;
  MeasurementsPanel panel(ui, nullptr, [&now] { return now; });
  panel.resize(640, 940);
  panel.show();
  panel.follow(0, QStringLiteral("Corvane - 1"));
  TrendPlot& plot = *panel.plot();
  plot.choose(measurementIndex(0, Quantity::kPeakToPeak), true);
  plot.choose(measurementIndex(1, Quantity::kPeriod), true);
  plot.rangeBox()->setCurrentIndex(state.range(0) == 60 ? 2 : 0);
  // An hour of RUN at five waveforms a second before the measured ones.
  for (int k = 0; k < 5 * 3600; ++k, now += 200) {
    const HandOver& h = waves[std::size_t(k) % waves.size()];
    panel.handOver(0, h.record, h.measured);
  }
  QApplication::processEvents();
  std::size_t i = 0;
  for (auto _ : state) {
    const HandOver& h = waves[i++ % waves.size()];
    now += 200;
    panel.handOver(0, h.record, h.measured);
    plot.redraw();
    panel.repaint();
  }
  state.counters["buckets"] = double(panel.trend(0)->size());
}
BENCHMARK(BM_PanelHandOverWithRedraw)->Arg(1)->Arg(60)->Unit(benchmark::kMillisecond);

// The hand-over alone, as between two redraws: statistics, trend, table model.
void BM_PanelHandOverBetweenRedraws(benchmark::State& state) {
  const auto waves = handOvers(64);
  SilentUi ui;
  int64_t now = 1'700'000'000'000;
  MeasurementsPanel panel(ui, nullptr, [&now] { return now; });
  panel.follow(0, QStringLiteral("Corvane - 1"));
  std::size_t i = 0;
  for (auto _ : state) {
    const HandOver& h = waves[i++ % waves.size()];
    now += 200;
    panel.handOver(0, h.record, h.measured);
  }
}
BENCHMARK(BM_PanelHandOverBetweenRedraws)->Unit(benchmark::kMicrosecond);

}  // namespace

CORVANE_QT_BENCHMARK_MAIN()
