// The output box's colours and marks on a box of 1,000 lines: reading it as the consoles do,
// highlighting all of it in the window, and one keystroke in it (the line re-read and re-coloured),
// also where a "/*" left open on the first line ties every line to the next. Run headless:
//   QT_QPA_PLATFORM=offscreen ./bench_outputmarks
#include "settings/consolemarks.h"
#include "support/fakedesktop.h"
#include "support/randomstate.h"
#include "ui/mainwindow.h"
#include "ui/outputhighlighter.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
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
    TfrmBrackwell window{desktop};
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

// One keystroke in the middle of the box and its undoing: two re-highlights per iteration.
void typeInBox(benchmark::State &state, const QString &firstLine)
{
    Box box;
    box.window.show();
    box.edit->setPlainText(thousandLines(firstLine));
    QTextCursor cursor(box.edit->document()->findBlockByNumber(boxLines / 2));
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
    typeInBox(state, {});
}
BENCHMARK(TypeInBox)->Unit(benchmark::kMicrosecond);

void TypeInBoxAfterOpenComment(benchmark::State &state)
{
    typeInBox(state, QStringLiteral("/* every line after this one is a comment to ET: Legacy"));
}
BENCHMARK(TypeInBoxAfterOpenComment)->Unit(benchmark::kMicrosecond);

} // namespace
