// Generation pass alone, and "Create Config" through the window (output box and bars included).
// Run headless: QT_QPA_PLATFORM=offscreen ./bench_generation
#include "app/startup.h"
#include "settings/generator.h"
#include "ui/desktop.h"
#include "ui/mainwindow.h"

#include <QApplication>
#include <QCheckBox>

#include <benchmark/benchmark.h>

using namespace brackwell;

namespace {

GenerationInput everythingOn()
{
    GenerationInput input = defaultInput();
    input.unbindAll = true;
    for (KeyedTick &script : input.scripts)
        script.ticked = true;
    for (KeyedTick &bind : input.classes)
        bind.ticked = true;
    return input;
}

void GenerationPass(benchmark::State &state)
{
    const GenerationInput input = everythingOn();
    for (auto _ : state) {
        GenerationResult result = generate(input);
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(GenerationPass);

void CreateConfigThroughWindow(benchmark::State &state)
{
    TfrmBrackwell window(systemDesktop());
    const QList<QCheckBox *> boxes = window.findChildren<QCheckBox *>();
    for (QCheckBox *box : boxes)
        box->setChecked(true);
    window.show();
    for (auto _ : state) {
        window.btnCreateClick();
        QApplication::processEvents(); // let the output box and bars lay out and paint
    }
}
BENCHMARK(CreateConfigThroughWindow)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    ApplicationSetup setup;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
