// The output box's colours and marks: what the marks say and where they stand, for the kinds of
// line the game's versions take differently; and the box as the user types in it, copies it and
// saves it. tst_consolescripts checks against the game's console which lines get a mark.
#include "marks/consolemarks.h"
#include "document/textlines.h"
#include "support/configcorpus.h"
#include "support/windowfixture.h"
#include "gui/outputhighlighter.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QToolTip>

using namespace brackwell;

namespace {

struct Expected {
    int line; // counted from 1
    int start;
    int length;
    QString tip;
};

struct MarkCase {
    const char *tag;
    QString text;
    QList<Expected> marks;
    SavedBytes bytes = SavedBytes::OnePerCharacter;
};

const QString nothingFor260 = "2.60 sets nothing here: its \"seta\" takes a single value word, and this line gives %1.";

QList<MarkCase> markCases()
{
    const QString readsOnUnknown = QString::fromLatin1("ET: Legacy takes \"\xE9\" for the first byte of a letter of "
                                                       "several bytes and reads on past the end of the command, into "
                                                       "bytes this text does not set: what it reads there is not known.");
    return {
        {"the window's lines and a player's usual ones read as written",
         "seta r_gamma \"1.3\"\nbind mouse1 \"+vstr shooton shootoff\"\n//FOV-Fixed Shooting Script\n"
         "seta name \"^1red^7white\" // my name\nbind \"~\" \"toggleconsole\"\nbind x \"say hi\" // note\n"
         "set kn vstr kon\nbind w +vstr on off\nseta cl_timenudge \"0\"\t\t// after tabs\necho \"^2//\"\n"
         "seta url http://x.org\nseta x",
         {}},
        {"a semicolon in a free bind's text", "bind F4 say brb; quit",
         {{1, 15, 6, "The game ends the command at \";\" and runs \"quit\" as a command of its own."}}},
        {"a double quote inside a value", "seta Name \"a\"b\"",
         {{1, 12, 2, "The game ends the word at this double quote: a double quote cannot be part of a word."},
          {1, 13, 2, nothingFor260.arg(3)}}},
        {"\"//\" inside an unquoted value", "seta brb x//y",
         {{1, 10, 3, "The game takes \"//\" as the start of a comment and skips the rest of the line."}}},
        {"\"/*\" in a key box: every later line in ET: Legacy, the rest of the line in 2.60",
         "bind mouse1/* \"+vstr shooton shootoff\"\nseta cg_fov \"110\"",
         {{1, 11, 27, "ET: Legacy takes \"/*\" as the start of a comment and skips the rest of the file."},
          {1, 11, 27, "2.60 takes \"/*\" as the start of a comment and skips the rest of the line."},
          {2, 0, 17, "ET: Legacy skips this text: it lies in the comment that \"/*\" opens on the line above."}}},
        {"a comment over lines runs in 2.60", "/* old settings\nseta cg_fov 90\n*/",
         {{2, 0, 14, "2.60 ends a \"/*\" comment with its line and reads \"seta cg_fov 90\" here as a command."},
          {3, 0, 2, "2.60 ends a \"/*\" comment with its line and reads \"*/\" here as a command."}}},
        {"ET: Legacy ends a command at \"*/\"", "echo a /* c */ b",
         {{1, 14, 2, "ET: Legacy ends the command at \"*/\" and runs \"b\" as a command of its own."}}},
        {"a line longer than the console's", "seta Name \"" + QString(1030, 'n') + '"',
         {{1, 1023, 19,
           "The game reads at most 1,023 bytes as one command: it drops \"n\" here and runs "
           "\"nnnnnnnnnnnnnnnnn \" as a command of its own."}}},
        {"an 8-bit letter in an unquoted word", QString::fromLatin1("seta brb t\xE9t"),
         {{1, 10, 1, readsOnUnknown},
          {1, 10, 1, QString::fromLatin1("2.60 takes \"\xE9\" for a blank outside double quotes.")},
          {1, 11, 1, nothingFor260.arg(2)}}},
        {"a letter's first byte at a command's end: ET: Legacy reads on in its line, where earlier commands left bytes",
         QString::fromLatin1("seta bra x\xE9\nbind x \"vsay a b\"\nseta brb t\xE9"),
         {{1, 10, 1, readsOnUnknown},
          {1, 10, 1, QString::fromLatin1("2.60 takes \"\xE9\" for a blank outside double quotes.")},
          {3, 10, 1, QString::fromLatin1("ET: Legacy takes \"\xE9\" for the first byte of a letter of several bytes and reads on past the "
                                         "end of the command, into what an earlier command left in the console's line: it reads "
                                         "\"a b \" there.")},
          {3, 10, 1, QString::fromLatin1("2.60 takes \"\xE9\" for a blank outside double quotes.")}}},
        {"blanks between unquoted words", "seta  brb\t a  b",
         {{1, 14, 1, nothingFor260.arg(2)}}},
        {"the game's unsafe flag: seta's fourth word in 2.60, any set's last in ET: Legacy",
         "seta r_depthbits \"24\" unsafe\nset a \"1\" unsafe\nseta b 1 unsafe",
         {{2, 10, 6, "2.60 keeps the word \"unsafe\" in the value: \"a\" gets \"1 unsafe\"."},
          {3, 9, 6, "The game takes the last word \"unsafe\" as a flag, not as part of the value."}}},
        {"a variable name the game refuses", "seta a\\b 1",
         {{1, 5, 3, "The game refuses a variable name holding \"\\\": it sets \"BADNAME\" instead."}}},
        {"letters beyond ASCII fill the console's line twice as fast in UTF-8",
         "seta Name \"" + QString(600, QChar(0xE9)) + '"',
         {{1, 517, 95,
           QString::fromLatin1("The game reads at most 1,023 bytes as one command: it drops \"\xE9\" here and runs "
                               "\"\" as a command of its own.")}},
         SavedBytes::Utf8},
        {"a NUL character", QString("seta x 1") + QChar(0) + "\nseta y 2",
         {{1, 8, 1, "The game stops reading the file at this NUL character."},
          {2, 0, 8, "The game never reads this line: it stops reading the file at a NUL character above it."}}},
    };
}

QList<Expected> found(const QString &text, SavedBytes bytes)
{
    QList<Expected> marks;
    const QList<BoxLine> lines = readBox(text, {}, gameVersions(), bytes).lines;
    for (qsizetype l = 0; l < lines.size(); ++l) {
        for (const LineMark &mark : lines[l].marks)
            marks.append({int(l + 1), mark.start, mark.length, mark.tip});
    }
    return marks;
}

QString listed(const QList<Expected> &marks)
{
    QStringList out;
    for (const Expected &m : marks)
        out << QString("line %1 [%2, +%3) %4").arg(m.line).arg(m.start).arg(m.length).arg(m.tip);
    return out.join('\n');
}

// The first line that does not show what reading the whole box afresh gives, or an empty text.
QString unlikeWholeReading(const WindowFixture &f)
{
    const QList<BoxLine> whole = readBox(f.window->outputText()).lines;
    const QTextDocument *document = f.output()->document();
    if (document->blockCount() != whole.size())
        return "the number of lines";
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        if (OutputHighlighter::shown(block) != whole.at(block.blockNumber()))
            return QString("line %1 \"%2\"").arg(block.blockNumber() + 1).arg(block.text().left(80));
    }
    return {};
}

// Hovers over the character at `position` in the box and returns the tooltip shown.
QString tipAt(QPlainTextEdit *box, int position)
{
    QTextCursor cursor(box->document());
    cursor.setPosition(position);
    const QRect left = box->cursorRect(cursor);
    cursor.setPosition(position + 1);
    const QPoint middle((left.x() + box->cursorRect(cursor).x()) / 2, left.center().y());
    QHelpEvent event(QEvent::ToolTip, middle, box->viewport()->mapToGlobal(middle));
    QCoreApplication::sendEvent(box->viewport(), &event);
    return QToolTip::isVisible() ? QToolTip::text() : QString();
}

} // namespace

class TestOutputMarks : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { applicationSetup(); }

    // What the marks say and where they stand, for each version of the game.
    void marksSayWhatTheGameDoes_data()
    {
        QTest::addColumn<int>("index");
        const QList<MarkCase> cases = markCases();
        for (int i = 0; i < cases.size(); ++i)
            QTest::newRow(cases[i].tag) << i;
    }
    void marksSayWhatTheGameDoes()
    {
        QFETCH(int, index);
        const MarkCase c = markCases().at(index);
        const QList<Expected> marks = found(c.text, c.bytes);
        QVERIFY2(listed(marks) == listed(c.marks), qPrintable("found:\n" + listed(marks) + "\nexpected:\n" + listed(c.marks)));
    }

    // Typing anywhere, in lines that open or close comments over other lines or split them, every
    // line shows what reading the whole box gives; the box's text is the text typed. In a box too
    // long to read within a keystroke, with a comment left open at its top, the lines catch up
    // once the keystroke is handled.
    void marksFollowTyping_data()
    {
        QTest::addColumn<int>("doublings");
        QTest::addColumn<int>("steps");
        QTest::newRow("created script") << 0 << 200;
        QTest::newRow("long box, comment left open") << 5 << 30;
    }
    void marksFollowTyping()
    {
        QFETCH(int, doublings);
        QFETCH(int, steps);
        WindowFixture f;
        f.showActive();
        f.clickButton("btnCreate");
        QPlainTextEdit *box = f.output();
        const OutputHighlighter *highlighter = box->findChild<OutputHighlighter *>();
        box->setFocus();
        if (doublings > 0) {
            for (int i = 0; i < doublings; ++i) {
                QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
                QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
                QTest::keyClick(box, Qt::Key_End, Qt::ControlModifier);
                QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
            }
            QTest::keyClick(box, Qt::Key_Home, Qt::ControlModifier);
            QTest::keyClicks(box, "/* x \"");
            QTest::keyClick(box, Qt::Key_Return);
        }
        QTRY_VERIFY(!highlighter->isCatchingUp());
        QCOMPARE(unlikeWholeReading(f), QString());

        QRandomGenerator random(20261217);
        const QStringList pieces = {"\"", "/*", "*/", ";", "//", " ", "x", "seta a b", "bind k say hi"};
        int caughtUp = 0;
        for (int step = 0; step < steps; ++step) {
            QTest::keyClick(box, Qt::Key_Home, Qt::ControlModifier);
            for (int down = random.bounded(box->document()->blockCount()); down > 0; --down)
                QTest::keyClick(box, Qt::Key_Down);
            if (random.bounded(2))
                QTest::keyClick(box, Qt::Key_End);
            QString did;
            switch (random.bounded(4)) {
            case 0:
                QTest::keyClick(box, Qt::Key_Return);
                did = "a line break";
                break;
            case 1:
                QTest::keyClick(box, Qt::Key_Backspace);
                did = "a backspace";
                break;
            default:
                did = pieces.at(random.bounded(pieces.size()));
                QTest::keyClicks(box, did);
            }
            // A short box is up to date as soon as the keystroke is handled.
            if (doublings == 0)
                QVERIFY(!highlighter->isCatchingUp());
            caughtUp += int(highlighter->isCatchingUp());
            QTRY_VERIFY(!highlighter->isCatchingUp());
            const QString unlike = unlikeWholeReading(f);
            QVERIFY2(unlike.isEmpty(), qPrintable(QString("after step %1 (%2): %3").arg(step).arg(did, unlike)));
        }
        QVERIFY(doublings == 0 || caughtUp > 0);
    }

    // A line typed at the end gets its mark and tooltip as it is typed, and loses them as the
    // cause is deleted; text, copy and the saved file hold exactly what was typed.
    void typedLineIsMarkedAndKeptPlain()
    {
        WindowFixture f;
        f.showActive();
        f.clickButton("btnCreate");
        QPlainTextEdit *box = f.output();
        box->setFocus();
        const QString created = f.window->outputText();
        QTest::keyClick(box, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClicks(box, "bind F4 say brb; quit");

        const QTextBlock last = box->document()->lastBlock();
        const QList<LineMark> marks = OutputHighlighter::shown(last).marks;
        QCOMPARE(marks.size(), 1);
        const QString tip = "The game ends the command at \";\" and runs \"quit\" as a command of its own.";
        QCOMPARE(marks.front().tip, tip);
        QCOMPARE(tipAt(box, last.position() + 5), QString());
        QCOMPARE(tipAt(box, last.position() + 17), tip);
        // Its colours come from the name chart: the code "^1" is drawn as the chart's "^1".
        QTest::keyClick(box, Qt::Key_Return);
        QTest::keyClicks(box, "seta name ^1x");
        const QList<QTextLayout::FormatRange> formats = box->document()->lastBlock().layout()->formats();
        const auto code = std::find_if(formats.begin(), formats.end(), [](const QTextLayout::FormatRange &r) { return r.start == 10; });
        QVERIFY(code != formats.end());
        QCOMPARE(code->format.foreground().color(), textColour(f.get<QWidget>("Label3")));
        for (int i = 0; i < 14; ++i)
            QTest::keyClick(box, Qt::Key_Backspace);
        for (int i = 0; i < 6; ++i)
            QTest::keyClick(box, Qt::Key_Backspace);
        QVERIFY(OutputHighlighter::shown(box->document()->lastBlock()).marks.isEmpty());

        // Plain text: no format in the document itself, the text as typed, copied and saved so.
        QTest::keyClicks(box, "; quit");
        const QString typed = created + "bind F4 say brb; quit";
        QCOMPARE(f.window->outputText(), typed);
        for (QTextBlock block = box->document()->begin(); block.isValid(); block = block.next()) {
            for (const QTextLayout::FormatRange &range : block.textFormats())
                QVERIFY(!range.format.hasProperty(QTextFormat::ForegroundBrush) && range.format.underlineStyle() == QTextCharFormat::NoUnderline);
        }
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), typed);
        QTemporaryDir folder;
        const QString path = folder.filePath("autoexec.cfg");
        f.desktop.answerSaveDialog(path);
        f.clickButton("btnSelectDestination");
        f.desktop.takeOnly(FakeDesktop::Kind::Message);
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), QString(typed).replace("\n", "\r\n").toLatin1());
    }

    // An opened UTF-8 file is saved as UTF-8, where a line of letters beyond ASCII reaches the
    // console's length sooner; a file in the 8-bit set is saved as it was.
    void marksCountTheBytesOfTheSavedFile()
    {
        const QByteArray line = "seta Name \"" + QString(600, QChar(0xE9)).toUtf8() + "\"\r\n";
        for (const QByteArray &bytes : {line, QString::fromUtf8(line).toLatin1()}) {
            WindowFixture f;
            QTemporaryDir folder;
            QFile file(folder.filePath("autoexec.cfg"));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
            file.close();
            f.window->openConfigFile(file.fileName());
            f.desktop.shown.clear();
            const QList<LineMark> marks = OutputHighlighter::shown(f.output()->document()->firstBlock()).marks;
            const bool cut = std::any_of(marks.begin(), marks.end(), [](const LineMark &m) { return m.tip.contains("1,023"); });
            QCOMPARE(cut, bytes == line);
        }
        // A double-byte Windows code page counts two bytes for a letter it holds in two.
        const QString kanji = "seta Name \"" + QString(600, QChar(0x540D)) + "\"";
        const auto cutIn = [&](QStringConverter::Encoding encoding) {
            const BoxLine box = readBox(kanji, {}, gameVersions(), SavedBytes(encoding)).lines.front();
            return std::any_of(box.marks.begin(), box.marks.end(), [](const LineMark &m) { return m.tip.contains("1,023"); });
        };
        QVERIFY(cutIn(QStringConverter::Utf8));
        QVERIFY(!cutIn(QStringConverter::Latin1));
    }

    // Players' files as the game writes them, and the tab-aligned lines of files written by hand,
    // read as they are meant: blanks between words and quotes around a value change nothing.
    void playersLayoutIsNoDifference()
    {
        for (const testing::CorpusFile &file : testing::configCorpus(5, 40)) {
            const QString text = withLineFeeds(QString::fromUtf8(file.bytes));
            const QStringList lines = text.split(u'\n');
            const QList<BoxLine> read = readBox(text, {}, gameVersions(), SavedBytes::Utf8).lines;
            for (qsizetype l = 0; l < lines.size(); ++l) {
                if (file.name.startsWith("etconfig") || lines[l].contains(u'\t'))
                    QVERIFY2(read[l].marks.isEmpty(), qPrintable(file.name + ": " + lines[l] + ": " + read[l].marks.value(0).tip));
            }
        }
    }
};

QTEST_MAIN(TestOutputMarks)
#include "tst_outputmarks.moc"
