#pragma once

#include <QApplication>
#include <benchmark/benchmark.h>

// The entry point of a benchmark of widgets: an offscreen QApplication around Google Benchmark's run.
inline int runOffscreenBenchmarks(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
