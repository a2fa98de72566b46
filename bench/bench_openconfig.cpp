// Opening a config of 90 lines (every row, UnBind All, every script and class bind): reading the
// file's text into a state alone, and "Open Config" through the window (the controls, the output
// box and the bars filled, one event-loop turn to paint); reading and editing a player's file of
// 60,000 lines. Run headless:
//   QT_QPA_PLATFORM=offscreen ./bench_openconfig
#include "settings/configedit.h"
#include "settings/configreader.h"
#include "support/configcorpus.h"
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

// A player's file of 60,000 lines (about 1.4 MiB): players' configs in a row, with their binds,
// comments and settings. "Create Config" on it with one value and one class bind changed, and reading it.
QString megabyteOfConfigs()
{
    QString text;
    QStringList lines;
    for (const testing::CorpusFile &file : testing::configCorpus(5, 600)) {
        lines << QString::fromUtf8(file.bytes).replace(QLatin1StringView("\r\n"), QLatin1StringView("\n")).split(u'\n');
        if (lines.size() >= 60000)
            break;
    }
    return lines.mid(0, 60000).join(u'\n') + u'\n';
}

void ReadPlayersMegabyte(benchmark::State &state)
{
    const QString text = megabyteOfConfigs();
    for (auto _ : state) {
        ConfigRead read = readConfig(text);
        benchmark::DoNotOptimize(read);
    }
    state.counters["lines"] = double(text.count(u'\n'));
}
BENCHMARK(ReadPlayersMegabyte)->Unit(benchmark::kMillisecond);

void EditPlayersMegabyte(benchmark::State &state)
{
    const QString text = megabyteOfConfigs();
    const ConfigRead read = readConfig(text);
    GenerationInput now = read.input;
    now.settings[std::size_t(settingIndex("edtGamma"))] = {true, false, QStringLiteral("1.7")};
    now.classes[0] = {!now.classes[0].ticked, QStringLiteral("F8")};
    for (auto _ : state) {
        QString edited = editConfig(text, read, now);
        benchmark::DoNotOptimize(edited);
    }
    state.counters["lines"] = double(text.count(u'\n'));
}
BENCHMARK(EditPlayersMegabyte)->Unit(benchmark::kMillisecond);

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
