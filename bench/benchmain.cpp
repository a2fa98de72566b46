// The main() of the window benchmarks: a Qt application set up as the program's, then Google Benchmark.
#include "app/startup.h"

#include <QApplication>

#include <benchmark/benchmark.h>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    brackwell::ApplicationSetup setup;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
