// The output box's colours and marks on a box of 1,000 lines: reading it as the consoles do,
// highlighting all of it in the window, and one keystroke in it (the line re-read and re-coloured),
// also where a "/*" left open on the first line ties every line to the next; there, in a file of
// 128 KiB, also the slices that bring the other lines up to date after the keystroke. Run headless:
//   QT_QPA_PLATFORM=offscreen ./bench_outputmarks
#include "marks/consolemarks.h"
#include "support/fakedesktop.h"
#include "support/testmachine.h"
#include "support/randomstate.h"
#include "gui/mainwindow.h"
#include "gui/outputhighlighter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTextBlock>

#include <benchmark/benchmark.h>

using namespace brackwell;

namespace {

constexpr int boxLines = 1000;

// The everything-ticked script over and over, with a line the game takes differently now and then.
QString thousandLines(const QString &firstLine = {})
{
    const QStringList script = generate(testing::everythingTicked()).text.split(QStringLiteral("\r\n"));
    QStringList lines;
    if (!firstLine.isEmpty())
        lines << firstLine;
    while (lines.size() < boxLines) {
        for (const QString &line : script) {
            if (lines.size() % 50 == 49)
                lines << QStringLiteral("bind F4 say brb; quit");
            else if (lines.size() < boxLines)
                lines << line;
        }
    }
    return lines.mid(0, boxLines).join(u'\n');
}

void ReadBox(benchmark::State &state)
{
    const QString text = thousandLines();
    for (auto _ : state) {
        BoxReading reading = readBox(text);
        benchmark::DoNotOptimize(reading);
    }
}
BENCHMARK(ReadBox)->Unit(benchmark::kMillisecond);

struct Box {
    FakeDesktop desktop;
    TestMachine machine;
    TfrmBrackwell window{desktop, machine};
    QPlainTextEdit *edit = window.findChild<QPlainTextEdit *>(QStringLiteral("memoOutput"));
    OutputHighlighter *highlighter = edit->findChild<OutputHighlighter *>();
};

void HighlightBox(benchmark::State &state)
{
    Box box;
    box.edit->setPlainText(thousandLines());
    for (auto _ : state)
        box.highlighter->rehighlight();
}
BENCHMARK(HighlightBox)->Unit(benchmark::kMillisecond);

void press(QWidget *widget, int key, const QString &text)
{
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &down);
    QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &up);
}

// One keystroke in the middle of the box and its undoing: two re-highlights per iteration. With
// `opened`, the text is an opened file's, and each keystroke also finds the lines that differ from it.
void typeInBox(benchmark::State &state, const QString &text, bool opened = false)
{
    Box box;
    box.window.show();
    QTemporaryDir folder;
    if (opened) {
        QFile file(folder.filePath(QStringLiteral("opened.cfg")));
        if (!file.open(QIODevice::WriteOnly) || file.write(text.toLatin1()) != text.size())
            state.SkipWithError("cannot write the file");
        file.close();
        box.window.openConfigFile(file.fileName());
    } else {
        box.edit->setPlainText(text);
    }
    QTextCursor cursor(box.edit->document()->findBlockByNumber(box.edit->document()->blockCount() / 2));
    cursor.movePosition(QTextCursor::EndOfBlock);
    box.edit->setTextCursor(cursor);
    for (auto _ : state) {
        press(box.edit, Qt::Key_X, QStringLiteral("x"));
        press(box.edit, Qt::Key_Backspace, QString());
    }
    state.counters["keystrokes"] = benchmark::Counter(2 * double(state.iterations()), benchmark::Counter::kIsRate);
}

void TypeInBox(benchmark::State &state)
{
    typeInBox(state, thousandLines());
}
BENCHMARK(TypeInBox)->Unit(benchmark::kMicrosecond);

void TypeInBoxAfterOpenComment(benchmark::State &state)
{
    typeInBox(state, thousandLines(QStringLiteral("/* every line after this one is a comment to ET: Legacy")));
}
BENCHMARK(TypeInBoxAfterOpenComment)->Unit(benchmark::kMicrosecond);

void TypeInOpenedFile(benchmark::State &state)
{
    typeInBox(state, thousandLines(), true);
}
BENCHMARK(TypeInOpenedFile)->Unit(benchmark::kMicrosecond);

// A file of 128 KiB, the most that opens, with or without a "/*" left open on its first line whose
// double quote hides every "*/" after it: a keystroke must stay under 16 ms in both.
QString largestFile(const QString &firstLine)
{
    QString text = firstLine + u'\n';
    const QString lines = thousandLines() + u'\n';
    while (text.size() + lines.size() < 128 * 1024)
        text += lines;
    return text;
}

void TypeIn128KiB(benchmark::State &state)
{
    typeInBox(state, largestFile(QStringLiteral("// mine")));
}
BENCHMARK(TypeIn128KiB)->Unit(benchmark::kMillisecond);

void TypeIn128KiBAfterOpenQuotedComment(benchmark::State &state)
{
    typeInBox(state, largestFile(QStringLiteral("/* x \"")));
}
BENCHMARK(TypeIn128KiBAfterOpenQuotedComment)->Unit(benchmark::kMillisecond);

// There the lines a keystroke leaves are brought up to date once it is handled, in slices between
// which the window draws and takes keys: one keystroke and all of that, and the longest slice.
void CatchUpIn128KiBAfterOpenQuotedComment(benchmark::State &state)
{
    Box box;
    box.window.show();
    box.edit->setPlainText(largestFile(QStringLiteral("/* x \"")));
    QTextCursor cursor(box.edit->document()->findBlockByNumber(box.edit->document()->blockCount() / 2));
    cursor.movePosition(QTextCursor::EndOfBlock);
    box.edit->setTextCursor(cursor);
    qint64 longest = 0, slices = 0;
    auto catchUp = [&] {
        while (box.highlighter->isCatchingUp()) {
            QElapsedTimer slice;
            slice.start();
            QCoreApplication::processEvents();
            longest = std::max(longest, slice.nsecsElapsed());
            ++slices;
        }
    };
    catchUp();
    longest = slices = 0;
    for (auto _ : state) {
        press(box.edit, Qt::Key_X, QStringLiteral("x"));
        catchUp();
        press(box.edit, Qt::Key_Backspace, QString());
        catchUp();
    }
    state.counters["longest slice ms"] = double(longest) / 1e6;
    state.counters["slices per keystroke"] = double(slices) / double(2 * state.iterations());
}
BENCHMARK(CatchUpIn128KiBAfterOpenQuotedComment)->Unit(benchmark::kMillisecond);

// The most lines a file that opens can hold: 65,535 empty ones.
void TypeInLargestOpenedFile(benchmark::State &state)
{
    typeInBox(state, QString(65535, u'\n'), true);
}
BENCHMARK(TypeInLargestOpenedFile)->Unit(benchmark::kMicrosecond);

} // namespace
