// File > Open Config and dropped files: the window takes the state the file holds, shows the file
// in the output box, and says what it cannot hold; a file that cannot be read changes nothing.
#include "settings/configreader.h"
#include "settings/saving.h"
#include "support/randomstate.h"
#include "support/windowfixture.h"
#include "ui/clicklabel.h"
#include "ui/meterbar.h"

#include <QAction>
#include <QDateTime>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using namespace brackwell;

namespace {

using Kind = FakeDesktop::Kind;

const QStringList configFilters = {"Config files (*.cfg)", "All files (*)"};

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// A main window on a fake desktop whose drive is a fresh temporary folder, shown and active so
// that its shortcuts work.
struct OpenFixture : WindowFixture {
    OpenFixture()
    {
        desktop.driveRoot = drive.path();
        desktop.home = user.filePath("home");
        desktop.documents = user.filePath("home/Documents");
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
    void saveAs(const QString &file)
    {
        desktop.answerSaveDialog(file);
        get<QPushButton>("btnSelectDestination")->click();
        QCOMPARE(desktop.takeOnly(Kind::Message), QString::fromLatin1(savedMessage));
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
    void roundTrip(OpenFixture &f, const GenerationInput &state, const QString &what)
    {
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

    void theDialogOpensWhereConfigsWereLastSavedOrOpened()
    {
        OpenFixture f;
        const auto nextDialogFolder = [&f] {
            f.desktop.cancelOpenDialog();
            QTest::keyClick(f.window.get(), Qt::Key_O, Qt::ControlModifier);
            return f.desktop.openDialogsOpened.constLast().folder;
        };
        // No game folder on this machine: the user's home.
        QCOMPARE(nextDialogFolder(), f.desktop.home);
        QCOMPARE(f.desktop.openDialogsOpened[0].filters, configFilters);
        QVERIFY(f.desktop.readAttempts.isEmpty());

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
        f.open(f.file("mine.cfg", bytes));

        QVERIFY(f.desktop.shown.isEmpty());
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
        QVERIFY(f.desktop.writeAttempts.isEmpty());
    }

    void linesTheWindowCannotHoldAreListedOnce()
    {
        OpenFixture f;
        const QByteArray bytes = "// mine\nseta r_gamma 1.8\nbind k say hello\nseta cg_gibs 2\n";
        f.open(f.file("mine.cfg", bytes));
        const QString message = f.desktop.takeOnly(Kind::Message);
        QCOMPARE(message, openReport(readConfig(QString::fromLatin1(bytes))));
        QVERIFY(message.contains("line 1: // mine\nline 3: bind k say hello\nline 4: seta cg_gibs 2\n"));
        QVERIFY(!f.get<QWidget>("CBGibs")->isEnabled());
        QCOMPARE(f.outputText(), QString::fromLatin1(bytes).replace("\n", "\r\n"));
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
        QTest::addColumn<QString>("name");
        QTest::addColumn<qint64>("size"); // -1: no such file; -2: a folder
        QTest::addColumn<QString>("message");
        QTest::newRow("missing") << "none.cfg" << qint64(-1) << "Cannot open file \"%1\". ";
        QTest::newRow("folder") << "folder.cfg" << qint64(-2) << "Cannot open file \"%1\". ";
        QTest::newRow("one byte too large") << "big.cfg" << maxConfigFileSize + 1
                                            << "The file \"%1\" is too large for a config script (more than 1 MiB).";
    }

    void filesThatCannotBeOpenedChangeNothing()
    {
        QFETCH(QString, name);
        QFETCH(qint64, size);
        QFETCH(QString, message);
        OpenFixture f;
        const QString file = f.path(name);
        if (size == -2)
            QVERIFY(QDir(f.drive.path()).mkdir(name));
        else if (size >= 0)
            writeAll(file, QByteArray(size, 'a'));
        f.setState(testing::RandomState(7).input({true, true, true}));
        f.pressCreate();
        const QMap<QString, QString> before = snapshot(f.window.get());

        f.open(file);
        QVERIFY(f.desktop.takeOnly(Kind::Error).startsWith(message.arg(QDir::toNativeSeparators(file))));
        compareSnapshots(snapshot(f.window.get()), before);
    }

    void aFileOfExactlyTheLimitOpens()
    {
        OpenFixture f;
        f.open(f.file("limit.cfg", QByteArray(maxConfigFileSize, '\n')));
        QVERIFY(f.desktop.shown.isEmpty());
        QVERIFY(f.outputText().startsWith("\r\n\r\n"));
    }

    void anUnreadableFileSaysWhy()
    {
        OpenFixture f;
        const QMap<QString, QString> before = snapshot(f.window.get());
        f.desktop.failNextRead({{}, false, "Input/output error"});
        f.open(f.path("bad.cfg"));
        QCOMPARE(f.desktop.takeOnly(Kind::Error),
                 "Cannot open file \"" + QDir::toNativeSeparators(f.path("bad.cfg")) + "\". Input/output error.");
        compareSnapshots(snapshot(f.window.get()), before);
    }

    void oddFilesOpenAndTheirLinesAreListed_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QByteArray picture("\x89PNG\r\n\x1a\n", 8);
        for (int i = 0; i < 20000; ++i)
            picture += char((i * 7919) % 256);
        QTest::newRow("a picture") << picture;
        QTest::newRow("a very long line") << QByteArray(300000, 'x') + "\nseta r_gamma 2\n";
        QTest::newRow("unbalanced quotes") << QByteArray("seta Name \"a\nbind \"x \"\"\"\n\"");
        QTest::newRow("empty") << QByteArray();
    }

    void oddFilesOpenAndTheirLinesAreListed()
    {
        QFETCH(QByteArray, bytes);
        OpenFixture f;
        const QString file = f.file("odd.cfg", bytes);
        f.open(file);
        const QString text = configFileText(bytes, configFileEncoding());
        const QString report = openReport(readConfig(text));
        if (report.isEmpty())
            QVERIFY(f.desktop.shown.isEmpty());
        else
            QCOMPARE(f.desktop.takeOnly(Kind::Message), report);
        // Every byte stays in the box, so saving writes the file again (with CR LF line ends).
        QCOMPARE(encodeScript(f.window->outputText(), configFileEncoding()).bytes,
                 encodeScript(text, configFileEncoding()).bytes);
        QCOMPARE(readAll(file), bytes);
    }

    void openingNeverWritesTheFile()
    {
        OpenFixture f;
        const QString file = f.file("mine.cfg", "seta r_gamma 1.8\n");
        QFile(file).setPermissions(QFileDevice::ReadOwner);
        const QDateTime modified = QFileInfo(file).lastModified();
        f.open(file);
        QVERIFY(f.desktop.shown.isEmpty());
        QCOMPARE(f.edit("edtGamma")->text(), "1.8");
        QVERIFY(f.desktop.writeAttempts.isEmpty());
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
        QVERIFY(f.desktop.readAttempts.isEmpty());
    }
};

QTEST_MAIN(TestOpenConfig)
#include "tst_openconfig.moc"
