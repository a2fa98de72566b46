// Generation pass alone, and "Create Config" through the window (output box and bars included).
// Run headless: QT_QPA_PLATFORM=offscreen ./bench_generation
#include "script/generator.h"
#include "support/randomstate.h"
#include "gui/desktop.h"
#include "platform/machine.h"
#include "gui/mainwindow.h"

#include <QApplication>
#include <QCheckBox>

#include <benchmark/benchmark.h>

using namespace brackwell;
using brackwell::testing::everythingTicked;

namespace {

void GenerationPass(benchmark::State &state)
{
    const GenerationInput input = everythingTicked();
    for (auto _ : state) {
        GenerationResult result = generate(input);
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(GenerationPass);

void CreateConfigThroughWindow(benchmark::State &state)
{
    TfrmBrackwell window(systemDesktop(), systemMachine());
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
