// Opening a config of 90 lines (every row, UnBind All, every script and class bind): reading the
// file's text into a state alone, and "Open Config" through the window (the controls, the output
// box and the bars filled, one event-loop turn to paint). Run headless:
//   QT_QPA_PLATFORM=offscreen ./bench_openconfig
#include "settings/configreader.h"
#include "support/fakedesktop.h"
#include "support/randomstate.h"
#include "ui/mainwindow.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace brackwell;

namespace {

QString ninetyLines()
{
    return generate(testing::everythingTicked()).text;
}

void ReadConfig(benchmark::State &state)
{
    const QString text = ninetyLines();
    for (auto _ : state) {
        ConfigRead read = readConfig(text);
        benchmark::DoNotOptimize(read);
    }
}
BENCHMARK(ReadConfig)->Unit(benchmark::kMicrosecond);

void OpenConfigThroughWindow(benchmark::State &state)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("autoexec.cfg"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(ninetyLines().toLatin1()) < 0) {
        state.SkipWithError("cannot write the config");
        return;
    }
    file.close();
    FakeDesktop desktop;
    TfrmBrackwell window(desktop);
    window.show();
    for (auto _ : state) {
        window.openConfigFile(path);
        QApplication::processEvents(); // let the controls, the output box and the bars paint
    }
    if (!desktop.shown.isEmpty())
        state.SkipWithError("the open showed a box");
}
BENCHMARK(OpenConfigThroughWindow)->Unit(benchmark::kMicrosecond);

} // namespace
