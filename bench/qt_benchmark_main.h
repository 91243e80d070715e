// main() of a benchmark of the Qt shell: an offscreen QApplication around Google Benchmark, so it
// runs without a display.
#pragma once

#include <benchmark/benchmark.h>

#include <QApplication>

#define CORVANE_QT_BENCHMARK_MAIN()          \
  int main(int argc, char** argv) {          \
    qputenv("QT_QPA_PLATFORM", "offscreen"); \
    QApplication app(argc, argv);            \
    benchmark::Initialize(&argc, argv);      \
    benchmark::RunSpecifiedBenchmarks();     \
    benchmark::Shutdown();                   \
    return 0;                                \
  }
