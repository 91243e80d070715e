// The two-page printed report of a busy record (every trace on, full grid, 40 lines of notes):
// written as an A4 PDF at 600 dpi, and drawn on A4 page images 4,960 pixels wide (fresh pages,
// and pages reused); plus building its content from the record, as the command-line tool does
// before drawing. CPU times are the whole process's: Qt fills long span lists on its own pool.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QPainter>

#include "print/report_renderer.h"
#include "tests/scope/display_test_records.h"

namespace {

using namespace corvane;

ReportContent busyReport() {
  std::vector<std::string> notes;
  for (int i = 0; i < 40; ++i)
    notes.push_back("Note line " + std::to_string(i) + ": probe compensated, 1 kHz reference.");
  return makeReportContent(testing::MakeBusyRecord(), notes, "12:34:56");
}

void BM_ReportContent(benchmark::State& st) {
  const WaveformBlock record = testing::MakeBusyRecord();
  for (auto _ : st) {
    ReportContent c = makeReportContent(record, {}, "12:34:56");
    benchmark::DoNotOptimize(c.picture.data());
  }
}
BENCHMARK(BM_ReportContent)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_ReportPdf(benchmark::State& st) {
  const ReportContent c = busyReport();
  for (auto _ : st) {
    QByteArray pdf = reportPdf(c, {true, true});
    benchmark::DoNotOptimize(pdf.data());
    st.counters["bytes"] = double(pdf.size());
  }
}
BENCHMARK(BM_ReportPdf)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_ReportImages(benchmark::State& st) {
  const ReportContent c = busyReport();
  for (auto _ : st) {
    std::vector<QImage> pages = renderReportImages(c, {true, true}, 4960, 7016, 600);
    benchmark::DoNotOptimize(pages.back().constBits());
  }
}
BENCHMARK(BM_ReportImages)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

// The same drawing on two pages allocated once and cleared to white for each report: what the
// drawing costs without the fresh 35 MB page buffers.
void BM_ReportOnPages(benchmark::State& st) {
  const ReportContent c = busyReport();
  QImage pages[2] = {makeReportPage(4960, 7016, 600), makeReportPage(4960, 7016, 600)};
  for (auto _ : st) {
    pages[0].fill(Qt::white);
    pages[1].fill(Qt::white);
    QPainter painter(&pages[0]);
    drawReport(painter, c, {true, true}, [&] {
      painter.end();
      return painter.begin(&pages[1]);
    });
    painter.end();
    benchmark::DoNotOptimize(pages[1].constBits());
  }
}
BENCHMARK(BM_ReportOnPages)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

}  // namespace

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
