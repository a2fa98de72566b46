// File > Open Config and dropped files: the window takes the state the file holds, shows the file
// in the output box, and says what it cannot hold; a file that cannot be read changes nothing.
#include "document/configreader.h"
#include "document/filebytes.h"
#include "platform/gamefolders.h"
#include "platform/savemessages.h"
#include "support/randomstate.h"
#include "support/testfiles.h"
#include "support/windowfixture.h"
#include "gui/clicklabel.h"
#include "gui/meterbar.h"

#include <QAction>
#include <QDateTime>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QUrl>
#include <QWindow>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using namespace brackwell;

namespace {

using Kind = FakeDesktop::Kind;

const QStringList configFilters = {"Config files (*.cfg)", "All files (*)"};

// A main window on a fake desktop whose drive is a fresh temporary folder, shown and active so
// that its shortcuts work.
struct OpenFixture : WindowFixture {
    OpenFixture()
    {
        machine.driveRoot = drive.path();
        machine.home = user.filePath("home");
        machine.documents = user.filePath("home/Documents");
        window->show();
        window->activateWindow();
        [this] { QVERIFY(QTest::qWaitForWindowActive(window.get())); }();
    }

    QString path(const QString &name) const { return drive.filePath(name); }
    QString file(const QString &name, const QByteArray &bytes) const
    {
        writeAll(path(name), bytes);
        return path(name);
    }

    // File > Open Config by its shortcut, the dialog answered with `file`.
    void open(const QString &file)
    {
        desktop.answerOpenDialog(file);
        QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
    }

    void pressCreate() const { get<QPushButton>("btnCreate")->click(); }
    QString gameFolder() const { return path("Program Files/Wolfenstein - Enemy Territory/etmain"); }
    QString oneClickFile() const { return gameFolder() + "/autoexec.cfg"; }
    void oneClickSave()
    {
        // Over a file other than the one open, the save asks first.
        const bool asks = QFileInfo(oneClickFile()).isFile() && window->windowTitle().contains(u'\u2014') &&
                          !window->windowTitle().startsWith("autoexec.cfg");
        if (asks)
            desktop.answerQuestion(true);
        get<QPushButton>("btnSave")->click();
        if (asks && !desktop.shown.isEmpty())
            QCOMPARE(desktop.shown.takeFirst().kind, Kind::Question);
        QCOMPARE(desktop.takeOnly(Kind::Message), QString::fromLatin1(savedMessage));
    }
    void saveAs(const QString &file)
    {
        desktop.answerSaveDialog(file);
        get<QPushButton>("btnSelectDestination")->click();
        QCOMPARE(desktop.takeOnly(Kind::Message), QString::fromLatin1(savedMessage));
    }
    // The dialog save over the file opened, as a user saves a change: the question answered Yes.
    void saveOver(const QString &file)
    {
        desktop.answerQuestion(true);
        desktop.answerSaveDialog(file);
        get<QPushButton>("btnSelectDestination")->click();
        QCOMPARE(desktop.shown.size(), 2);
        QCOMPARE(desktop.shown.constLast().text, QString::fromLatin1(savedMessage));
        desktop.shown.clear();
    }
    // The title as the window system shows it, "*" and all.
    QString title() const { return window->windowHandle()->title(); }
    // The output box's lines with the tint of a change.
    QList<int> tinted() const
    {
        QList<int> lines;
        for (const QTextEdit::ExtraSelection &tint : output()->extraSelections())
            lines << output()->document()->findBlock(tint.cursor.selectionStart()).blockNumber();
        return lines;
    }
    MeterHeights bars() const
    {
        return {get<MeterBar>("shpQuality")->signedHeight(), get<MeterBar>("shpFPS")->signedHeight()};
    }

    QTemporaryDir drive;
    QTemporaryDir user;
};

// Drags `urls` onto `target` and drops them there, as the window system delivers a drop.
bool dropOn(QWidget *target, const QList<QUrl> &urls)
{
    QMimeData data;
    data.setUrls(urls);
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

} // namespace

class TestOpenConfig : public QObject
{
    Q_OBJECT

private:
    int m_files = 0;

    // Create Config, save, New Config, open, Create Config: the same bytes and the same bars.
    void roundTrip(OpenFixture &f, GenerationInput state, const QString &what)
    {
        // Out of the last round's edit mode.
        f.get<QAction>("NewConfig1")->trigger();
        testing::keepLastBindOfEachKey(state);
        f.setState(state);
        f.pressCreate();
        QVERIFY2(f.desktop.shown.isEmpty(), qPrintable(what));
        const QString created = f.outputText();
        QVERIFY2(created == generate(f.window->readGenerationInput()).text, qPrintable(what));
        const MeterHeights bars = f.bars();
        const QString file = f.path(QString("roundtrip%1.cfg").arg(++m_files));
        f.saveAs(file);

        f.get<QAction>("NewConfig1")->trigger();
        f.open(file);
        QVERIFY2(f.desktop.shown.isEmpty(), qPrintable(what + ": " + f.desktop.shown.value(0).text));
        QCOMPARE(f.outputText(), created);
        f.pressCreate();
        QVERIFY2(f.outputText() == created, qPrintable(what));
        QCOMPARE(f.bars().quality, bars.quality);
        QCOMPARE(f.bars().fps, bars.fps);
        QCOMPARE(readAll(file), created.toLatin1());
    }

private slots:
    void savedConfigsComeBackWhole()
    {
        OpenFixture f;
        roundTrip(f, defaultInput(), "defaults");
        roundTrip(f, testing::allOff(), "every row off");
        roundTrip(f, testing::everythingTicked(), "everything ticked");
        testing::RandomState random(20261209);
        for (int round = 0; round < 200 && !QTest::currentTestFailed(); ++round)
            roundTrip(f, random.input({true, true, true}), QString("round %1").arg(round));
    }

    // Open and save: either save writes the file back byte for byte, its own line breaks (LF, CR
    // LF, CR, U+2028 and U+2029 in UTF-8) and a missing last line break included. A file opens only
    // where it is within the limit with CR LF line breaks.
    void openingAndSavingKeepsEveryByte()
    {
        OpenFixture f;
        QVERIFY(QDir().mkpath(f.gameFolder()));
        const auto cycle = [&f](const QByteArray &bytes, bool oneClick) {
            f.open(f.file("cycle.cfg", bytes));
            f.desktop.shown.clear(); // the lines the window cannot hold, listed
            oneClick ? f.oneClickSave() : f.saveOver(f.path("cycle.cfg"));
            return readAll(oneClick ? f.oneClickFile() : f.path("cycle.cfg"));
        };
        QList<QByteArray> corpus = {"// mine\tbinds\r\nbind MOUSE1 \"+attack\"\r\nseta r_picmip 0 // sharp\r\n",
                                    "set a \"vstr b\nseta cg_fov 90", "\r\n\r\n", "", "a\rb\r",
                                    "// J\xC3\xB6rg\xE2\x80\xA8x\nseta name \"a\xE2\x80\xA9\" \"b\"\n"};
        testing::RandomState random(20261208);
        for (int i = 0; i < 10; ++i) {
            const QByteArray script = generate(random.input({true, true, true})).text.toLatin1();
            corpus << script << QByteArray(script).replace("\r\n", "\n") << script.chopped(2);
        }
        // At the limit and one byte beyond it once saved, from files of LF line breaks.
        for (const qint64 saved : {maxConfigFileSize, maxConfigFileSize + 1}) {
            const QByteArray lines = QByteArray("seta r_gamma 2\n").repeated(saved / 16 - 1);
            corpus << lines + QByteArray(saved - savedFileSize(lines) - 2, 'x');
        }
        QCOMPARE(savedFileSize(corpus.constLast()), maxConfigFileSize + 1);
        for (const QByteArray &bytes : std::as_const(corpus)) {
            if (savedFileSize(bytes) > maxConfigFileSize) {
                f.open(f.file("cycle.cfg", bytes));
                QVERIFY(f.desktop.takeOnly(Kind::Error).contains("more than 128 KiB"));
                continue;
            }
            QCOMPARE(cycle(bytes, true), bytes);
            QCOMPARE(cycle(bytes, false), bytes);
        }
    }

    void theDialogOpensWhereConfigsWereLastSavedOrOpened()
    {
        OpenFixture f;
        const auto nextDialogFolder = [&f] {
            f.desktop.cancelOpenDialog();
            QTest::keyClick(f.window.get(), Qt::Key_O, Qt::ControlModifier);
            return f.desktop.openDialogsOpened.constLast().folder;
        };
        // No game folder on this machine: the user's home.
        QCOMPARE(nextDialogFolder(), f.machine.home);
        QCOMPARE(f.desktop.openDialogsOpened[0].filters, configFilters);
        QVERIFY(f.machine.readAttempts.isEmpty());

        // The game folder the one-click save writes into.
        const QString game = f.path("Program Files/Wolfenstein - Enemy Territory/etmain");
        QVERIFY(QDir().mkpath(game));
        QCOMPARE(nextDialogFolder(), game);

        // The folder of the last save, then of the last open.
        QVERIFY(QDir(f.drive.path()).mkdir("saved"));
        f.saveAs(f.path("saved/a.cfg"));
        QCOMPARE(nextDialogFolder(), f.path("saved"));
        QVERIFY(QDir(f.drive.path()).mkdir("other"));
        f.open(f.file("other/b.cfg", "seta r_gamma 2\r\n"));
        QCOMPARE(nextDialogFolder(), f.path("other"));
    }

    void openingPutsTheFileIntoTheWindow()
    {
        OpenFixture f;
        // Typed on the Extra Binds tab beforehand; opening leaves that tab alone.
        QTest::keyClicks(f.edit("edtCustomInput"), "cg_fov");
        f.check("CBDemo")->setChecked(true);
        f.window->captionClick(settingIndex("edtGamma"));

        const QByteArray bytes = "seta r_gamma 1.8\r\nseta r_DrawSun \"0\"\r\nseta cg_drawCrosshair 5\r\n"
                                 "seta r_fastSky 1\r\nunbindall\r\nbind x \"class m 1; echo Medic - SMG;\"\r\n";
        // Settings switched on the tabs are work: the open asks before it replaces them.
        f.desktop.answerUnsaved(Desktop::Unsaved::Discard);
        f.open(f.file("mine.cfg", bytes));

        QCOMPARE(f.desktop.takeOnly(Kind::Question), "Do you want to save the config made here?\nSettings changed on "
                                                     "the tabs have not been put into the config yet: \"Create "
                                                     "Config\" puts them in.");
        QCOMPARE(f.outputText().toLatin1(), bytes);
        const ConfigRead read = readConfig(QString::fromLatin1(bytes));
        QCOMPARE(f.window->readGenerationInput().settings[std::size_t(settingIndex("edtGamma"))].text, "1.8");
        for (int i = 0; i < SettingCount; ++i) {
            const TfrmBrackwell::RowWidgets &r = f.window->row(i);
            const bool on = read.input.settings[std::size_t(i)].enabled;
            QVERIFY2(r.control->isEnabled() == on, settingRows[i].control);
            QCOMPARE(textColour(r.caption), on ? QColor(0, 0, 0) : QColor(255, 0, 0));
            if (r.edit && !on)
                QCOMPARE(r.edit->text(), QString::fromLatin1(settingRows[i].defaultText));
        }
        QVERIFY(!f.check("CBdrawsun")->isChecked());
        QVERIFY(!f.check("CBSky")->isChecked());
        QVERIFY(f.check("CBUnBindAll")->isChecked());
        QVERIFY(!f.check("CBDemo")->isChecked());
        QVERIFY(f.check("Msmg")->isChecked());
        QCOMPARE(f.edit("edtMsmg")->text(), "x");
        QCOMPARE(f.edit("edtSsmg")->text(), "kp_ins");
        QVERIFY(f.get<QWidget>("Image5")->isVisibleTo(f.window.get()));
        QVERIFY(!f.get<QWidget>("Image1")->isVisibleTo(f.window.get()));
        QCOMPARE(f.edit("edtCustomInput")->text(), "cg_fov");
        QCOMPARE(f.bars().quality, generate(read.input).meter.quality);
        QCOMPARE(f.bars().fps, generate(read.input).meter.fps);
        QVERIFY(f.machine.disk.changed().isEmpty());
    }

    void linesTheWindowCannotHoldAreListedOnce()
    {
        OpenFixture f;
        const QByteArray bytes = "// mine\nseta r_gamma 1.8\nbind k say hello\nseta cg_gibs 2\n";
        f.open(f.file("mine.cfg", bytes));
        const OpenReport report = openReport(readConfig(QString::fromLatin1(bytes)));
        QCOMPARE(f.desktop.takeOnly(Kind::Message), report.text);
        QCOMPARE(report.details, "line 4 (\"Gib Effects\" holds only 0 or 1): seta cg_gibs 2\n\n"
                                 "1 comment line is kept as it is.\n1 bind the window does not show is kept as it is.\n\n"
                                 "Ctrl+G in the output box goes to a line by its number.\n\n"
                                 "line 1 (a comment): // mine\nline 3 (another bind): bind k say hello");
        QVERIFY(!f.get<QWidget>("CBGibs")->isEnabled());
        QCOMPARE(f.outputText(), QString::fromLatin1(bytes).replace("\n", "\r\n"));
    }

    // The details' first line names a line of a long player's file by its number: Ctrl+G in the
    // output box asks for it and goes there. A cancel leaves the cursor; elsewhere the keys ask nothing.
    void ctrlGGoesToTheLineTheDetailsName()
    {
        OpenFixture f;
        const QByteArray lines = QByteArray("// my binds\r\nbind k \"say_team ^3Need ammo!\"\t// mine\r\n").repeated(75);
        f.open(f.file("autoexec.cfg", lines + "seta cg_gibs 2\r\n" + lines));
        const QString first = f.desktop.shown.constFirst().details.section(u'\n', 0, 0);
        QVERIFY2(first.startsWith("line 151 (\"Gib Effects\""), qPrintable(first));
        f.desktop.shown.clear();

        QPlainTextEdit *box = f.output();
        f.openTabOf(box);
        box->setFocus();
        const int start = box->textCursor().blockNumber();
        f.desktop.answerLineNumber(first.section(u' ', 1, 1).toInt());
        QTest::keyClick(box, Qt::Key_G, Qt::ControlModifier);
        QCOMPARE(f.desktop.lineQuestions.size(), 1);
        QCOMPARE(f.desktop.lineQuestions[0].current, start + 1);
        QCOMPARE(f.desktop.lineQuestions[0].last, box->document()->blockCount());
        QCOMPARE(box->textCursor().block().text(), "seta cg_gibs 2");
        QCOMPARE(box->textCursor().positionInBlock(), 0);

        f.desktop.answerLineNumber(std::nullopt);
        QTest::keyClick(box, Qt::Key_G, Qt::ControlModifier);
        QCOMPARE(f.desktop.lineQuestions[1].current, 151);
        QCOMPARE(box->textCursor().blockNumber(), 150);

        QWidget *create = f.get<QPushButton>("btnCreate");
        create->setFocus();
        QTest::keyClick(create, Qt::Key_G, Qt::ControlModifier);
        QCOMPARE(f.desktop.lineQuestions.size(), 2);
        QCOMPARE(box->textCursor().blockNumber(), 150);
    }

    void aValueThatIsNoNumberStopsTheBarsAsCreateConfigWould()
    {
        OpenFixture f;
        const QByteArray bytes = "seta r_DrawSun 1\nseta cg_brassTime abc\nseta r_dynamicLight 1\n";
        f.open(f.file("mine.cfg", bytes));
        QVERIFY(f.desktop.takeOnly(Kind::Message).contains("Brass Time (line 2): 'abc'"));
        QCOMPARE(f.edit("edtBrass")->text(), "abc");
        QCOMPARE(f.bars().quality, 1 - 8 - 8); // sun and dynamic light; brass stops the pass
        QCOMPARE(f.bars().fps, 1 - 6 - 6);

        f.pressCreate();
        QCOMPARE(f.desktop.takeOnly(Kind::Error), "'abc' is not a valid floating point value.");
    }

    void filesThatCannotBeOpenedChangeNothing_data()
    {
        QTest::addColumn<QString>("kind"); // what to make at the path
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");
#ifdef Q_OS_WIN
        // The system's own words, which differ between versions of Windows.
        QFile missing(QDir::temp().filePath("brackwell-no-such-file.cfg"));
        const QString reason = missing.open(QIODevice::ReadOnly) ? QString() : systemReason(missing.errorString());
#else
        const QString reason = "No such file or directory";
#endif
        QTest::newRow("missing") << "none" << QByteArray() << "Cannot open file \"%1\". " + reason + ".";
        QTest::newRow("folder") << "folder" << QByteArray() << "\"%1\" is a folder, not a config file.";
        QTest::newRow("one byte too large")
            << "file" << QByteArray("\r\n").repeated(maxConfigFileSize / 2) + "x"
            << "The file \"%1\" is too large for a config script: saved with CR LF line breaks, it holds more than 128 KiB.";
        const QString wide = "\"%1\" is saved as %2 text, but the game reads 8-bit text: save the file as ANSI or "
                             "UTF-8 and open it again.";
        QTest::newRow("UTF-16") << "file" << QByteArray("\xFE\xFF\0s\0e\0t", 8) << wide.arg("%1", "UTF-16");
        QTest::newRow("UTF-32") << "file" << QByteArray("\xFF\xFE\0\0s\0\0\0", 8) << wide.arg("%1", "UTF-32");
#ifdef Q_OS_UNIX
        // Opening these would wait for a writer, or read for ever.
        const QString special = "\"%1\" is a device, pipe or socket, not a config file.";
        QTest::newRow("pipe") << "fifo" << QByteArray() << special;
        QTest::newRow("device") << "/dev/zero" << QByteArray() << special;
#endif
    }

    void filesThatCannotBeOpenedChangeNothing()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        OpenFixture f;
        const QString file = kind.startsWith(u'/') ? kind : f.path(kind + ".cfg");
        if (kind == "folder")
            QVERIFY(QDir(f.drive.path()).mkdir(kind + ".cfg"));
        else if (kind == "file")
            writeAll(file, bytes);
#ifdef Q_OS_UNIX
        else if (kind == "fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
#endif
        f.setState(testing::RandomState(7).input({true, true, true}));
        f.pressCreate();
        const QMap<QString, QString> before = snapshot(f.window.get());

        f.desktop.answerUnsaved(Desktop::Unsaved::Discard);
        f.open(file);
        f.desktop.shown.removeFirst(); // the question before the window's work goes
        QCOMPARE(f.desktop.takeOnly(Kind::Error), message.arg(QDir::toNativeSeparators(file)));
        compareSnapshots(snapshot(f.window.get()), before);
    }

    void anUnreadableFileSaysWhy()
    {
        OpenFixture f;
        const QMap<QString, QString> before = snapshot(f.window.get());
        f.machine.failNextRead({{}, false, "Input/output error"});
        f.open(f.path("bad.cfg"));
        QCOMPARE(f.desktop.takeOnly(Kind::Error),
                 "Cannot open file \"" + QDir::toNativeSeparators(f.path("bad.cfg")) + "\". Input/output error.");
        compareSnapshots(snapshot(f.window.get()), before);
    }

    // A program, a picture or an archive named .cfg is refused as a folder is, the window left as it
    // was; a text with a stray NUL or control character still opens.
    void onlyTextOpens_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("opens");
        const auto noise = [](QByteArray head, int shift) {
            for (int i = 0; i < 4000; ++i)
                head += char((i * 7919 + shift) % 256);
            return head;
        };
        QByteArray program("MZ\x90\0\x03\0\0\0\x04\0\0\0\xff\xff\0\0", 16);
        program += QByteArray(40, '\0') + "This program cannot be run in DOS mode.\r\r\n$" + QByteArray(200, '\0');
        QTest::newRow("an executable") << program << false;
        QTest::newRow("a PNG picture") << noise(QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), 1) << false;
        QTest::newRow("a zip archive") << noise(QByteArray("PK\x03\x04\x14\0\0\0\x08\0", 10), 2) << false;
        QTest::newRow("a config ending in a NUL") << QByteArray("seta r_gamma 1.5\r\nbind x \"say hi\"\r\n") + '\0'
                                                  << true;
        QTest::newRow("a stray escape") << QByteArray("seta Name \"\x1b[1mme\"\nseta cg_fov 90\n") << true;
    }
    void onlyTextOpens()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, opens);
        OpenFixture f;
        const QMap<QString, QString> before = snapshot(f.window.get());
        const QString file = f.file("x.cfg", bytes);
        f.open(file);
        if (opens) {
            QCOMPARE(f.title(), "x.cfg \u2014 Brackwell");
            return;
        }
        QCOMPARE(f.desktop.shown.size(), 1);
        QCOMPARE(f.desktop.shown.front().text,
                 "\"" + QDir::toNativeSeparators(file) + "\" is not a config: it holds binary data.");
        QVERIFY(f.desktop.shown.front().details.contains(QDir::toNativeSeparators(file)));
        compareSnapshots(snapshot(f.window.get()), before);
    }

    void oddFilesOpenAndTheirLinesAreListed_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        // Qt takes seconds to break a line of many thousand characters between words, if it has
        // none; the box then breaks its lines anywhere.
        QTest::addColumn<bool>("brokenAnywhere");
        QTest::newRow("a very long line") << QByteArray(maxConfigFileSize - 100, 'x') + "\nseta r_gamma 2\n" << true;
        QTest::newRow("a very long line of words")
            << QByteArray("seta r_gamma 2; ").repeated(maxConfigFileSize / 20) + "\n" << false;
        QTest::newRow("unbalanced quotes") << QByteArray("seta Name \"a\nbind \"x \"\"\"\n\"") << false;
        QTest::newRow("empty") << QByteArray() << false;
    }

    void oddFilesOpenAndTheirLinesAreListed()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, brokenAnywhere);
        OpenFixture f;
        const QString file = f.file("odd.cfg", bytes);
        f.open(file);
        const QString text = configFileText(bytes, configFileEncoding());
        const OpenReport report = openReport(readConfig(text));
        if (report.text.isEmpty())
            QVERIFY(f.desktop.shown.isEmpty());
        else
            QCOMPARE(f.desktop.takeOnly(Kind::Message), report.text);
        // Every byte stays in the box, so saving writes the file again (with CR LF line ends).
        QCOMPARE(encodeScript(f.window->outputText(), configFileEncoding()).bytes,
                 encodeScript(text, configFileEncoding()).bytes);
        QCOMPARE(readAll(file), bytes);
        QCOMPARE(f.output()->wordWrapMode(),
                 brokenAnywhere ? QTextOption::WrapAnywhere : QTextOption::WrapAtWordBoundaryOrAnywhere);
    }

#ifdef Q_OS_LINUX
    // The system's files below /proc claim no size and are made up as they are read.
    void aFileThatClaimsNoSizeOpens()
    {
        OpenFixture f;
        f.open("/proc/version");
        QVERIFY(f.desktop.takeOnly(Kind::Message).contains("keeps the other line as it is"));
        QVERIFY(f.outputText().startsWith("Linux version"));
    }
#endif

    void openingNeverWritesTheFile()
    {
        OpenFixture f;
        const QString file = f.file("mine.cfg", "seta r_gamma 1.8\n");
        QFile(file).setPermissions(QFileDevice::ReadOwner);
        const QDateTime modified = QFileInfo(file).lastModified();
        f.open(file);
        QVERIFY(f.desktop.shown.isEmpty());
        QCOMPARE(f.edit("edtGamma")->text(), "1.8");
        QVERIFY(f.machine.disk.changed().isEmpty());
        QCOMPARE(readAll(file), QByteArray("seta r_gamma 1.8\n"));
        QCOMPARE(QFileInfo(file).lastModified(), modified);
    }

    void aNoBreakSpaceIsSavedAsItStands()
    {
        OpenFixture f;
        QTest::keyClicks(f.edit("edtPlayerName"), QString("a") + QChar(0xA0) + "b");
        f.pressCreate();
        f.saveAs(f.path("nbsp.cfg"));
        QVERIFY(readAll(f.path("nbsp.cfg")).startsWith("seta Name \"a\xA0" "b\"\r\n"));
    }

    void aDroppedConfigFileOpens_data()
    {
        QTest::addColumn<QString>("target");
        QTest::newRow("window") << "";
        QTest::newRow("output box") << "memoOutput";
        QTest::newRow("edit box") << "edtPlayerName";
        QTest::newRow("list") << "CBCHStyle";
    }

    void aDroppedConfigFileOpens()
    {
        QFETCH(QString, target);
        OpenFixture f;
        QWidget *widget = target.isEmpty() ? f.window.get() : f.get<QWidget>(qPrintable(target));
        if (auto *box = qobject_cast<QPlainTextEdit *>(widget))
            widget = box->viewport();
        else if (auto *list = qobject_cast<QComboBox *>(widget))
            widget = list->lineEdit();
        const QString file = f.file("Dropped.CFG", "seta r_gamma 2.2\r\n");
        QVERIFY(dropOn(widget, {QUrl::fromLocalFile(file)}));
        QTRY_COMPARE(f.edit("edtGamma")->text(), "2.2");
        QCOMPARE(f.outputText(), "seta r_gamma 2.2\r\n");
        QCOMPARE(f.edit("edtPlayerName")->text(), "");
    }

    void otherDropsAreRefused()
    {
        OpenFixture f;
        const QString text = f.file("notes.txt", "seta r_gamma 2.2\r\n");
        const QString config = f.file("a.cfg", "seta r_gamma 2.2\r\n");
        QVERIFY(!dropOn(f.window.get(), {QUrl::fromLocalFile(text)}));
        QVERIFY(!dropOn(f.window.get(), {QUrl::fromLocalFile(config), QUrl::fromLocalFile(config)}));
        QVERIFY(!dropOn(f.window.get(), {QUrl("https://example.org/a.cfg")}));
        QTest::qWait(20);
        QVERIFY(f.machine.readAttempts.isEmpty());
    }
    // Nothing waits on the disk to draw a menu or a dialog: File > Open Recent opens while a config
    // in its list sits in a folder that hangs (a network drive asleep; its entry is greyed once the
    // folder answers that the file is gone), and the open dialog makes no file in the game's folder.
    void menusAndDialogsDoNotWaitOnTheDisk()
    {
        OpenFixture f;
        QVERIFY(QDir().mkpath(f.path("asleep")) && QDir().mkpath(f.gameFolder()));
        const QString asleep = f.file("asleep/mine.cfg", "seta r_gamma 1\r\n");
        const QString awake = f.file("awake.cfg", "seta r_gamma 2\r\n");
        setRecentFiles(f.machine.kept, {asleep, awake, f.path("gone.cfg")});
        f.machine.disk.hangBelow(f.path("asleep"));

        QMenu *menu = f.get<QMenu>("OpenRecent1");
        emit menu->aboutToShow(); // returns although the folder does not answer
        const QList<QAction *> items = menu->actions();
        QCOMPARE(items.size(), 3);
        QTRY_VERIFY(!items[2]->isEnabled());
        QVERIFY(items[0]->isEnabled() && items[1]->isEnabled());
        QVERIFY(QFile::remove(asleep));
        f.machine.disk.release();
        QTRY_VERIFY(!items[0]->isEnabled());

        f.machine.disk.startCounting();
        f.desktop.cancelOpenDialog();
        f.get<QAction>("OpenConfig1")->trigger();
        QCOMPARE(f.desktop.openDialogsOpened.constLast().folder, f.gameFolder());
        QCOMPARE(f.machine.disk.changed(), QStringList());
        QCOMPARE(QDir(f.gameFolder()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
    }

    // File > Open Recent: the configs opened or saved last, the latest first, eight of them, read
    // only when the menu opens. A file not there is greyed; one deleted or made a folder after the
    // menu opened gets the open's message when chosen, and leaves the list.
    void openRecentListsTheLastConfigs()
    {
        OpenFixture f;
        QCOMPARE(f.machine.kept.reads, 0);
        QMenu *menu = f.get<QMenu>("OpenRecent1");
        const auto items = [menu] {
            emit menu->aboutToShow();
            return menu->actions();
        };
        QVERIFY(items().size() == 1 && !menu->actions().front()->isEnabled());
        QStringList files;
        for (int i = 0; i < 8; ++i)
            files << f.file(QString("c%1.cfg").arg(i), "seta r_gamma 2\n");
        files << f.path("c8.cfg"); // saved, not opened
        for (const QString &file : files.mid(0, 8))
            f.open(file);
        f.saveAs(files[8]);
        f.open(files[3]);
        QStringList latest;
        for (const int i : {3, 8, 7, 6, 5, 4, 2, 1})
            latest << QFileInfo(files[i]).absoluteFilePath();
        QCOMPARE(recentFiles(f.machine.kept), latest);
        QFile::remove(files[7]);
        const QList<QAction *> shown = items();
        QCOMPARE(shown.size(), 8);
        for (int i = 0; i < 8; ++i) {
            QCOMPARE(shown[i]->text(), QString("&%1 %2").arg(i + 1).arg(QDir::toNativeSeparators(latest[i])));
            QTRY_COMPARE(shown[i]->isEnabled(), i != 2);
        }
        QVERIFY(QFile::remove(files[6]) && QDir().mkdir(files[6]));
        QFile::remove(files[5]);
        shown[3]->trigger();
        QCOMPARE(f.desktop.takeOnly(Kind::Error), QString("\"%1\" is a folder, not a config file.").arg(QDir::toNativeSeparators(files[6])));
        shown[4]->trigger();
        QVERIFY(f.desktop.takeOnly(Kind::Error).startsWith("Cannot open file \"" + QDir::toNativeSeparators(files[5])));
        shown[1]->trigger();
        QCOMPARE(f.title(), "c8.cfg \u2014 Brackwell");
        QCOMPARE(recentFiles(f.machine.kept), (QStringList{latest[1], latest[0], latest[2], latest[5], latest[6], latest[7]}));
    }

    // File > Game configs: per game folder here, its config files (a profile's with the profile's
    // name), each opening at once, then an entry that opens the dialog there with the folders and
    // their profile folders in its side bar. Chosen from the keyboard.
    void gameConfigsAreAtHand()
    {
        OpenFixture f;
        const QStringList game = gameFolderCandidates({f.machine.driveRoot, f.machine.home, f.machine.documents}, hostPlatform);
        const QString top = game.last(), profile = top + "/profiles/b&c";
        QVERIFY(QDir().mkpath(game[1]) && QDir().mkpath(profile));
        writeAll(game[1] + "/autoexec.cfg", "seta r_gamma 1.5\n");
        writeAll(profile + "/etconfig.cfg", "seta r_gamma 1.6\n");
        writeAll(profile + "/profile.dat", "\"^1A&^7nn\"");

        QMenu *menu = f.get<QMenu>("GameConfigs1");
        // Down to the item `index` of the menu as it shows (separators passed over), then Return.
        const auto choose = [menu](int index) {
            menu->popup(QPoint());
            QVERIFY(QTest::qWaitForWindowExposed(menu));
            for (int i = 0; i <= index; ++i)
                QTest::keyClick(menu, Qt::Key_Down);
            QTest::keyClick(menu, Qt::Key_Return);
        };
        const auto native = [](const QString &path) { return QDir::toNativeSeparators(path).replace("&", "&&"); };
        emit menu->aboutToShow();
        QStringList texts;
        for (const QAction *item : menu->actions())
            texts << item->text();
        QCOMPARE(texts, QStringList({native(game[1] + "/autoexec.cfg"), "Other file in " + native(game[1]) + "...", "",
                                     native(profile + "/etconfig.cfg") + " (profile \"A&&nn\")",
                                     "Other file in " + native(top) + "..."}));
        choose(2);
        QCOMPARE(f.title(), "etconfig.cfg \u2014 Brackwell");
        QCOMPARE(f.edit("edtGamma")->text(), "1.6");
        f.desktop.cancelOpenDialog();
        choose(3);
        QCOMPARE(f.desktop.openDialogsOpened.constLast().folder, top);
        QCOMPARE(f.desktop.openDialogsOpened.constLast().places, QStringList({game[1], top, profile}));
    }
    // In edit mode, changes not saved are asked about before New Config, an open (by the dialog,
    // the recent list or a drop) and closing: Save writes the opened file as the dialog save
    // does, and what was asked goes on only once it is written; Discard goes on; Cancel changes
    // nothing. Typed changes count as well as Create Config's.
    void unsavedChangesAreAskedAbout_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("answer"); // Desktop::Unsaved, or -1: Save, and the write fails
        for (const char *action : {"new", "open", "recent", "close"}) {
            QTest::addRow("%s, save", action) << action << int(Desktop::Unsaved::Save);
            QTest::addRow("%s, discard", action) << action << int(Desktop::Unsaved::Discard);
            QTest::addRow("%s, cancel", action) << action << int(Desktop::Unsaved::Cancel);
        }
        QTest::addRow("close, save fails") << "close" << -1;
        QTest::addRow("open, save fails") << "open" << -1;
    }
    void unsavedChangesAreAskedAbout()
    {
        QFETCH(QString, action);
        QFETCH(int, answer);
        OpenFixture f;
        const QByteArray bytes = "seta r_gamma 1.2\r\nbind x \"say hi\"\r\n";
        const QString other = f.file("other.cfg", "seta r_gamma 2\r\n");
        f.open(other);
        const QString file = f.file("mine.cfg", bytes);
        f.open(file);
        f.desktop.shown.clear(); // the line the window keeps as it is
        QTest::mouseClick(f.output()->viewport(), Qt::LeftButton);
        QTest::keyClick(f.output(), Qt::Key_End, Qt::ControlModifier);
        QTest::keyClicks(f.output(), "// more");
        QCOMPARE(f.title(), "mine.cfg* \u2014 Brackwell");
        const QString edited = f.outputText();

        f.desktop.answerUnsaved(answer < 0 ? Desktop::Unsaved::Save : Desktop::Unsaved(answer));
        if (answer < 0)
            f.machine.disk.failNext(TestFileLayer::Call::Write, ".tmp", fileErrors::diskFull);
        const bool goesOn = answer == int(Desktop::Unsaved::Save) || answer == int(Desktop::Unsaved::Discard);
        if (action == "new") {
            f.get<QAction>("NewConfig1")->trigger();
        } else if (action == "open") {
            f.open(other);
        } else if (action == "recent") {
            emit f.get<QMenu>("OpenRecent1")->aboutToShow();
            f.get<QMenu>("OpenRecent1")->actions()[1]->trigger();
        } else {
            f.window->close();
        }

        QStringList shown; // the question, and how the save went
        for (const FakeDesktop::Shown &box : std::exchange(f.desktop.shown, {}))
            shown << box.text;
        QCOMPARE(shown, QStringList({"Do you want to save the changes to \"mine.cfg\"?",
                                     answer < 0 ? "Stream write error." : savedMessage})
                            .mid(0, answer < 0 || answer == int(Desktop::Unsaved::Save) ? 2 : 1));
        QCOMPARE(readAll(file), answer == int(Desktop::Unsaved::Save) ? edited.toLatin1() : bytes);
        QCOMPARE(f.window->isVisible(), action != "close" || !goesOn);
        if (!goesOn) {
            QCOMPARE(f.outputText(), edited);
            QCOMPARE(f.title(), "mine.cfg* \u2014 Brackwell");
        } else if (action != "close") {
            QCOMPARE(f.title(), action == "new" ? "Brackwell" : "other.cfg \u2014 Brackwell");
        }
    }
    // A file whose first line holds U+2028 (pasted text) and whose breaks are mostly LF: lines put
    // in are ended with LF, the U+2028 stays where it was. A value with a double quote is refused,
    // naming its row, and the file stays as it is: the quote would end the value and swallow the
    // command after it.
    void editsNeverChangeOtherCommands()
    {
        OpenFixture f;
        const QByteArray bytes = "// J\xC3\xB6rg\xE2\x80\xA8 pasted\r\nseta name \"Bob\"; seta foo 1\nseta r_gamma 1.2\n";
        const QString file = f.file("pasted.cfg", bytes);
        f.open(file);
        f.desktop.shown.clear();
        const QString shown = f.outputText();
        QLineEdit *name = f.edit("edtPlayerName");
        name->setFocus();
        name->selectAll();
        QTest::keyClicks(name, "a\"b");
        f.pressCreate();
        QCOMPARE(f.desktop.takeOnly(Kind::Error),
                 "The value of \"Player Name\" holds a double quote, which the game cannot keep inside a value: in the "
                 "file it would end the value early and change the commands after it. Take it out to create the config.");
        QCOMPARE(f.outputText(), shown);

        name->selectAll();
        QTest::keyClicks(name, "ab");
        for (const char *row : {"edtBrass", "edtCorona"})
            f.window->captionClick(settingIndex(row));
        f.pressCreate();
        QVERIFY(f.desktop.shown.isEmpty());
        f.saveOver(file);
        QCOMPARE(readAll(file), "// J\xC3\xB6rg\xE2\x80\xA8 pasted\r\nseta name \"ab\"; seta foo 1\nseta r_gamma 1.2\n"
                                "seta cg_coronafardist \"1536\"\nseta cg_brassTime \"2500\"\n");
    }

    // After an open the window edits the file: its name in the title, Create Config keeps every
    // other line, the dialog save proposes the file and writes it back in its own encoding; a pass
    // that stops leaves the document whole; New Config ends all of it.
    void anOpenedFileIsTheDocumentTheWindowEdits()
    {
        OpenFixture f;
        const QByteArray bytes = "// \xe2\x80\x9cmine\xe2\x80\x9d\r\n\tseta r_gamma 1.2  // bright\r\nbind x \"say hi\"\r\n"
                                 "cl_noprint 1; seta cg_brassTime 200; echo a.cfg\r\n";
        const QString file = f.file("player.cfg", bytes);
        f.open(file);
        QCOMPARE(f.title(), "player.cfg \u2014 Brackwell");
        QVERIFY(f.desktop.takeOnly(Kind::Message).contains("keeps the other 3 lines as they are"));
        f.pressCreate();
        QCOMPARE(f.outputText(), QString::fromUtf8(bytes));

        // Typed as a user types, the focus then leaving the box.
        QLineEdit *gamma = f.edit("edtGamma");
        gamma->setFocus();
        gamma->selectAll();
        QTest::keyClicks(gamma, "1.8");
        f.get<QPushButton>("btnCreate")->setFocus();
        f.pressCreate();
        QCOMPARE(f.outputText(), QString::fromUtf8(QByteArray(bytes).replace("r_gamma 1.2", "r_gamma 1.8")));
        // The line changed is tinted and in sight, the title has its "*"; the box's text is plain.
        QCOMPARE(f.tinted(), QList<int>{1});
        QCOMPARE(f.output()->textCursor().blockNumber(), 1);
        QCOMPARE(f.title(), "player.cfg* \u2014 Brackwell");
        QVERIFY(!f.output()->document()->toHtml().contains("background"));
        // Undo in the box takes the whole change back in one step and the tint with it; the "*" stays
        // while Gamma on the tab holds what the file does not.
        f.get<QPlainTextEdit>("memoOutput")->undo();
        QCOMPARE(f.outputText(), QString::fromUtf8(bytes));
        QCOMPARE(f.tinted(), QList<int>());
        QCOMPARE(f.title(), "player.cfg* \u2014 Brackwell");
        f.pressCreate();

        f.desktop.answerSaveDialog(file);
        f.desktop.answerQuestion(true);
        f.get<QPushButton>("btnSelectDestination")->click();
        QCOMPARE(f.desktop.dialogsOpened.constLast().suggestedName, QFileInfo(file).absoluteFilePath());
        QCOMPARE(f.desktop.shown.takeFirst().kind, Kind::Question);
        QCOMPARE(f.desktop.takeOnly(Kind::Message), QString::fromLatin1(savedMessage));
        QCOMPARE(readAll(file), QByteArray(bytes).replace("r_gamma 1.2", "r_gamma 1.8"));
        QCOMPARE(f.tinted(), QList<int>());
        QCOMPARE(f.title(), "player.cfg \u2014 Brackwell");

        // A value the bars cannot read: the error box, and the document stays as it was.
        QLineEdit *brass = f.edit("edtBrass");
        brass->setFocus();
        brass->selectAll();
        QTest::keyClicks(brass, "abc");
        const QString before = f.outputText();
        f.pressCreate();
        QCOMPARE(f.desktop.takeOnly(Kind::Error), "'abc' is not a valid floating point value.");
        QCOMPARE(f.outputText(), before);
        // A value typed on a tab is a change too: the "*", and New Config asks about it.
        QCOMPARE(f.title(), "player.cfg* \u2014 Brackwell");

        f.desktop.answerUnsaved(FakeDesktop::Unsaved::Discard);
        f.get<QAction>("NewConfig1")->trigger();
        QVERIFY(f.desktop.takeOnly(Kind::Question).endsWith(
            "Settings changed on the tabs have not been put into the config yet: \"Create Config\" puts them in."));
        QCOMPARE(f.title(), "Brackwell");
        f.pressCreate();
        QCOMPARE(f.outputText(), generate(f.window->readGenerationInput()).text);
        f.desktop.cancelSaveDialog();
        f.get<QPushButton>("btnSelectDestination")->click();
        QCOMPARE(f.desktop.dialogsOpened.constLast().suggestedName, QString::fromLatin1(dialogFileName));
    }
};

QTEST_MAIN(TestOpenConfig)
#include "tst_openconfig.moc"
