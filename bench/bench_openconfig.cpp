// Opening config files: reading the text of a 90-line config (every row, UnBind All, every script
// and class bind) into a state alone, and "Open Config" through the window for that file and for
// the worst files the window accepts: a file of short lines up to the size limit, and one line
// without a break of the same length. Each window case times the open with the "Config Output"
// tab in front and the first paint of the whole window after it (the output box lays its text
// out then). And reading and editing a player's file of 60,000 lines. Run headless:
//   QT_QPA_PLATFORM=offscreen ./bench_openconfig
#include "document/configedit.h"
#include "document/configreader.h"
#include "support/configcorpus.h"
#include "support/fakedesktop.h"
#include "support/testmachine.h"
#include "support/randomstate.h"
#include "gui/mainwindow.h"
#include "gui/textwrap.h"

#include <QApplication>
#include <QFile>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace brackwell;

namespace {

QByteArray ninetyLines()
{
    return generate(testing::everythingTicked()).text.toLatin1();
}

// The worst files the window opens: as large as the limit allows, with CR LF line breaks, which a
// save keeps (LF line breaks would count twice).
QByteArray shortLines()
{
    const QByteArray lines[] = {"seta r_picmip \"1\"\r\n", "bind MOUSE1 \"+attack\"\r\n", "// my binds\r\n",
                                "set a \"vstr b\"\r\n", "seta cg_fov 90\r\n"};
    QByteArray bytes;
    for (int i = 0; bytes.size() + lines[i % 5].size() <= maxConfigFileSize; ++i)
        bytes += lines[i % 5];
    return bytes;
}

QByteArray emptyLines()
{
    return QByteArray("\r\n").repeated(maxConfigFileSize / 2);
}

QByteArray oneLine()
{
    return QByteArray(maxConfigFileSize - 2, 'x') + "\r\n";
}

QByteArray oneLineOfWords()
{
    return QByteArray("word ").repeated((maxConfigFileSize - 2) / 5) + "\r\n";
}

// One line of words as long as the box still breaks between words.
QByteArray oneLineOfLongWords()
{
    const QByteArray word = QByteArray(1024, 'x') + ' ';
    return word.repeated((maxConfigFileSize - 2) / word.size()) + "\r\n";
}

void ReadConfig(benchmark::State &state)
{
    const QString text = QString::fromLatin1(ninetyLines());
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

// Opens the file `makeFile` builds in a window showing its output tab, then paints the window once.
void openThroughWindow(benchmark::State &state, QByteArray (*makeFile)())
{
    const QByteArray bytes = makeFile();
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("autoexec.cfg"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        state.SkipWithError("cannot write the config");
        return;
    }
    file.close();
    FakeDesktop desktop;
    TestMachine machine;
    TfrmBrackwell window(desktop, machine);
    window.findChild<QTabWidget *>(QStringLiteral("PC1"))
        ->setCurrentWidget(window.findChild<QWidget *>(QStringLiteral("TSOutput")));
    window.show();
    QApplication::processEvents();
    for (auto _ : state) {
        // A new config first, so every round lays out its text afresh as the first open does.
        state.PauseTiming();
        window.NewConfig1Click();
        QApplication::processEvents();
        state.ResumeTiming();
        window.openConfigFile(path);
        QApplication::processEvents();
        const QPixmap painted = window.grab();
        benchmark::DoNotOptimize(painted);
    }
    if (desktop.shown.size() > 0 && desktop.shown.front().kind == FakeDesktop::Kind::Error)
        state.SkipWithError(qPrintable(desktop.shown.front().text));
    state.counters["bytes"] = double(bytes.size());
}

// The floor: a bare box of the output box's size and wrapping, in a window of the main window's
// size, given the same text and painted, with nothing read, marked or coloured.
void bareBox(benchmark::State &state, QByteArray (*makeFile)())
{
    const QByteArray bytes = makeFile();
    FakeDesktop desktop;
    TestMachine machine;
    TfrmBrackwell sized(desktop, machine); // only for the sizes
    const QPlainTextEdit *output = sized.findChild<QPlainTextEdit *>(QStringLiteral("memoOutput"));
    QWidget window;
    window.resize(sized.size());
    QPlainTextEdit box(&window);
    box.setGeometry(output->geometry());
    box.setFont(output->font());
    window.show();
    QApplication::processEvents();
    for (auto _ : state) {
        state.PauseTiming();
        box.clear();
        QApplication::processEvents();
        state.ResumeTiming();
        const QString text = QString::fromLatin1(bytes);
        wrapFor(&box, text);
        box.setPlainText(text);
        QApplication::processEvents();
        const QPixmap painted = window.grab();
        benchmark::DoNotOptimize(painted);
    }
    state.counters["bytes"] = double(bytes.size());
}

// Each of the files the window must open in time, and the bare box beside each.
#define OPEN_CASE(name, file)                                                                                         \
    BENCHMARK_CAPTURE(openThroughWindow, name, file)->Unit(benchmark::kMillisecond);                                   \
    BENCHMARK_CAPTURE(bareBox, name, file)->Unit(benchmark::kMillisecond)
OPEN_CASE(NinetyLines, &ninetyLines);
OPEN_CASE(ShortLines, &shortLines);
OPEN_CASE(EmptyLines, &emptyLines);
OPEN_CASE(OneLine, &oneLine);
OPEN_CASE(OneLineOfWords, &oneLineOfWords);
OPEN_CASE(OneLineOfLongWords, &oneLineOfLongWords);

} // namespace
