// The typical road through the real program, driven from outside its process on an X server:
// switch off "Show Sun", type a gamma, tick the demo script and pick F7 for it on the key picker,
// create the config, add a say bind, save through the dialog into a temporary folder. The file
// must hold exactly the expected script and "Config File Saved" must have been shown. Then the
// program starts with a player's own config on its command line and edits it in place.
#include "x11driver.h"

#include "app/startup.h"
#include "document/configedit.h"
#include "document/configreader.h"
#include "document/filebytes.h"
#include "document/textlines.h"
#include "support/consolejudge.h"
#include "script/generator.h"
#include "support/fakedesktop.h"
#include "support/testmachine.h"
#include "gui/desktop.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QApplication>
#include <QProcess>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#ifndef BRACKWELL_PROGRAM
#error "BRACKWELL_PROGRAM must name the program under test"
#endif

using namespace brackwell;

namespace {

// The window's state after the road below.
GenerationInput roadState()
{
    GenerationInput input = defaultInput();
    input.settings[std::size_t(settingIndex("CBdrawsun"))].enabled = false;
    input.settings[std::size_t(settingIndex("edtGamma"))].text = QStringLiteral("1.5");
    input.scripts[3] = {true, QStringLiteral("F7")}; // the demo block, last of the four
    return input;
}

// The bytes the saved file must hold after the road below.
QByteArray expectedFile()
{
    return (generate(roadState()).text + QStringLiteral("bind k say hello there\r\n")).toLatin1();
}

// A box as the program shows it, laid out but never on the screen: it tells where its text lies.
std::unique_ptr<QMessageBox> twinBox(const QString &text)
{
    std::unique_ptr<QMessageBox> box = makeMessageBox(QMessageBox::NoIcon, text, QMessageBox::Ok, nullptr);
    box->setAttribute(Qt::WA_DontShowOnScreen);
    box->show();
    return box;
}

QLabel *boxText(const QMessageBox &box)
{
    return box.findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
}

QString withLineFeeds(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

} // namespace

class TestEndToEnd : public QObject
{
    Q_OBJECT

private:
    // Records where the road failed: a picture of the whole screen next to the test program.
    bool check(bool ok, const char *what)
    {
        if (!ok) {
            const QString picture = QDir::current().absoluteFilePath(QStringLiteral("endtoend-failure.png"));
            m_driver->screenshot().save(picture);
            qWarning("failed at: %s; screen saved as %s; program said: %s", what, qPrintable(picture),
                     qPrintable(m_driver->programOutput()));
        }
        return ok;
    }

    QWidget *twin(const char *name) const
    {
        QWidget *w = m_twin->mainWindow().findChild<QWidget *>(QLatin1StringView(name));
        if (!w)
            w = m_twin->keyPicker().findChild<QWidget *>(QLatin1StringView(name));
        return w;
    }

    void openTab(qulonglong window, int index)
    {
        auto *tabs = m_twin->mainWindow().findChild<QTabWidget *>(QStringLiteral("PC1"));
        const QWidget *bar = tabs->tabBar();
        const QPoint centre = bar->mapTo(bar->window(), tabs->tabBar()->tabRect(index).center());
        m_driver->click(m_driver->windowOrigin(window) + centre);
    }

    // A Select Key button, a key on the picker, OK: the picker must come and go.
    bool pickKey(qulonglong main, const char *selectButton, const char *key)
    {
        m_driver->clickOn(main, twin(selectButton));
        const qulonglong picker = m_driver->waitForWindow(QStringLiteral("^Bindable Keys Keyboard$"));
        if (!check(picker != 0, "the key picker appearing"))
            return false;
        // The shown title, not only the one the program set: nothing may be appended to it.
        if (!check(m_driver->windowTitle(picker) == QStringLiteral("Bindable Keys Keyboard"), "the key picker's title"))
            return false;
        m_driver->clickOn(picker, twin(key));
        m_driver->clickOn(picker, twin("btnKeyOK"));
        return check(m_driver->waitUntilGone(picker), "the key picker closing on OK");
    }

    // What a control holds, read as a user reads it: click into it, select all, copy.
    QString copyFrom(qulonglong window, const QWidget *twinControl)
    {
        QGuiApplication::clipboard()->clear();
        m_driver->focus(window);
        m_driver->clickOn(window, twinControl);
        m_driver->key(QStringLiteral("ctrl+a ctrl+c"));
        if (!QTest::qWaitFor([] { return !QGuiApplication::clipboard()->text().isEmpty(); }, 5000))
            return {};
        return QGuiApplication::clipboard()->text();
    }

    void exitByMenu(qulonglong main)
    {
        m_driver->focus(main);
        m_driver->key(QStringLiteral("alt+f"));
        m_driver->key(QStringLiteral("x"));
        QVERIFY(check(m_driver->waitForCleanExit(10000), "the program ending cleanly on File > Exit"));
    }

    // A player's own config on the command line: the window edits it. The title names it, the
    // message counts what the window shows; a row and a class bind changed by clicks, "Create
    // Config", the dialog save proposing the file: every other line stays, and the game's console
    // holds the new values.
    void editPlayersConfig(const QString &folder)
    {
        const QString path = QDir(folder).filePath(QStringLiteral("player.cfg"));
        const QByteArray original = "// my config\r\nunbindall\r\nbind TAB \"+stats\"\r\nbind x \"say hi\"\r\n"
                                    "seta r_gamma \"1.2\"\t\t// brighter\r\nseta r_depthbits \"24\" unsafe\r\n"
                                    "seta cg_fov \"100\"\r\ncl_noprint 1; seta com_maxfps 125; cl_noprint 0\r\n"
                                    "set sprint \"+sprint; set s vstr nosprint\"";
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(original) == original.size());
        file.close();
        QVERIFY(check(m_driver->start(QStringLiteral(BRACKWELL_PROGRAM), folder, {path}), "starting with the file"));
        const qulonglong main = m_driver->waitForWindow(QStringLiteral("^player\\.cfg \u2014 Brackwell$"));
        const qulonglong message = m_driver->waitForWindow(QStringLiteral("^Brackwell$"));
        QVERIFY(check(main != 0 && message != 0, "the window titled with the file and the open's message"));
        QCOMPARE(m_driver->windowTitle(main), QStringLiteral("player.cfg \u2014 Brackwell"));

        const ConfigRead read = readConfig(QString::fromLatin1(original));
        m_driver->key(QStringLiteral("Return"));
        QVERIFY(check(m_driver->waitUntilGone(message), "the open's message closing on Return"));

        openTab(main, 0);
        m_driver->clickOn(main, twin("edtGamma"));
        m_driver->key(QStringLiteral("ctrl+a"));
        m_driver->type(QStringLiteral("1.6"));
        openTab(main, 3);
        m_driver->clickOn(main, twin("Ssmg"));
        QVERIFY(pickKey(main, "btnS5", "Button9"));
        openTab(main, 4);
        m_driver->clickOn(main, twin("btnCreate"));
        QVERIFY(check(m_driver->waitForWindow(QStringLiteral("^player\\.cfg\\* \u2014 Brackwell$")) == main,
                      "the title's \"*\" for changes not saved"));

        GenerationInput now = read.input;
        now.settings[std::size_t(settingIndex("edtGamma"))].text = QStringLiteral("1.6");
        now.classes[0] = {true, QStringLiteral("F8")};
        const QString edited = editConfig(QString::fromLatin1(original), read, now);
        QCOMPARE(copyFrom(main, twin("memoOutput")), withLineFeeds(edited.toLatin1()));

        // The dialog proposes the file itself; replacing it is asked first.
        m_driver->clickOn(main, twin("btnSelectDestination"));
        const qulonglong dialog = m_driver->waitForWindow(QStringLiteral("^Save As$"));
        QVERIFY(check(dialog != 0, "the save-file dialog appearing"));
        m_driver->focus(dialog);
        m_driver->key(QStringLiteral("Return"));
        const qulonglong question = m_driver->waitForWindow(QStringLiteral("^Brackwell$"), {main});
        QVERIFY(check(question != 0, "the question about replacing the file"));
        m_driver->key(QStringLiteral("y"));
        QVERIFY(check(m_driver->waitUntilGone(question), "the question closing on Yes"));
        const qulonglong saved = m_driver->waitForWindow(QStringLiteral("^Brackwell$"), {main, question});
        QVERIFY(check(saved != 0, "\"Config File Saved\""));
        m_driver->key(QStringLiteral("Return"));
        QVERIFY(check(m_driver->waitUntilGone(saved), "the message closing on Return"));
        QVERIFY(check(m_driver->waitForWindow(QStringLiteral("^player\\.cfg \u2014 Brackwell$")) == main,
                      "the title without \"*\" once saved"));

        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QCOMPARE(bytes, encodeScript(edited, QStringConverter::Latin1).bytes);
        QVERIFY(bytes.contains("seta r_gamma \"1.6\"\t\t// brighter\r\n"));
        QVERIFY(bytes.contains("bind TAB \"+stats\"\r\nbind x \"say hi\"\r\n"));
        testing::ConsoleJudge judge;
        const QList<testing::ConsoleView> views = judge.judge({bytes});
        QCOMPARE(views.size(), 1);
        QCOMPARE(views[0].value(QStringLiteral("r_gamma")), QStringLiteral("1.6"));
        QCOMPARE(views[0].value(QStringLiteral("cg_fov")), QStringLiteral("100"));
        QCOMPARE(views[0].value(QStringLiteral("com_maxfps")), QStringLiteral("125"));
        if (judge.judgesBinds()) {
            QCOMPARE(views[0].binding(QStringLiteral("TAB")), QStringLiteral("+stats"));
            QCOMPARE(views[0].binding(QStringLiteral("x")), QStringLiteral("say hi"));
        }
        exitByMenu(main);
    }

    std::unique_ptr<X11Driver> m_driver;
    FakeDesktop m_twinDesktop;
    TestMachine m_twinMachine;
    std::unique_ptr<Program> m_twin;

private slots:
    void initTestCase()
    {
        const QString missing = X11Driver::missingTools();
        if (!missing.isEmpty())
            QFAIL(qPrintable("cannot drive the program: " + missing));
        m_driver = std::make_unique<X11Driver>();
        // The twin tells where controls lie; it is laid out but never mapped on the screen.
        m_twin = std::make_unique<Program>(m_twinDesktop, m_twinMachine);
        for (QWidget *window : {static_cast<QWidget *>(&m_twin->mainWindow()), static_cast<QWidget *>(&m_twin->keyPicker())}) {
            window->setAttribute(Qt::WA_DontShowOnScreen);
            window->show();
        }
    }

    void typicalRoad()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        QVERIFY(check(m_driver->start(QStringLiteral(BRACKWELL_PROGRAM), folder.path()), "starting the program"));

        const qulonglong main = m_driver->waitForWindow(QStringLiteral("^Brackwell$"));
        QVERIFY(check(main != 0, "the main window appearing"));
        m_driver->focus(main);

        // Stage 1: switch "Show Sun" off, type a gamma.
        m_driver->clickOn(main, twin("lbldrawSun"));
        m_driver->clickOn(main, twin("edtGamma"));
        m_driver->key(QStringLiteral("ctrl+a"));
        m_driver->type(QStringLiteral("1.5"));

        // Scripts: tick the demo script and pick F7 for it.
        openTab(main, 2);
        m_driver->clickOn(main, twin("CBDemo"));
        QVERIFY(pickKey(main, "btnS3", "Button8"));

        // Config Output: create the config.
        openTab(main, 4);
        m_driver->clickOn(main, twin("btnCreate"));

        // Extra Binds: a say bind on k.
        openTab(main, 5);
        m_driver->clickOn(main, twin("CBTypeOfBind"));
        m_driver->key(QStringLiteral("Down"));
        QVERIFY(pickKey(main, "btnS17", "Button71"));
        m_driver->focus(main);
        m_driver->clickOn(main, twin("edtBindInput"));
        m_driver->type(QStringLiteral("hello there"));
        m_driver->clickOn(main, twin("btnAddBind"));

        // Save through the dialog into the temporary folder.
        openTab(main, 4);
        m_driver->clickOn(main, twin("btnSelectDestination"));
        const qulonglong dialog = m_driver->waitForWindow(QStringLiteral("^Save As$"));
        QVERIFY(check(dialog != 0, "the save-file dialog appearing"));
        m_driver->focus(dialog);
        m_driver->key(QStringLiteral("ctrl+a"));
        m_driver->type(folder.filePath(QStringLiteral("autoexec")));
        m_driver->key(QStringLiteral("Return"));

        const qulonglong message = m_driver->waitForWindow(QStringLiteral("^Brackwell$"), {main});
        QVERIFY(check(message != 0, "the message window appearing"));
        const QString saved = QStringLiteral("Config File Saved");
        QVERIFY(check(copyFrom(message, boxText(*twinBox(saved))) == saved,
                      "the message window saying \"Config File Saved\""));
        m_driver->key(QStringLiteral("Return"));
        QVERIFY(check(m_driver->waitUntilGone(message), "the message window closing on Return"));

        const QString file = folder.filePath(QStringLiteral("autoexec.cfg"));
        QFile savedFile(file);
        QVERIFY(check(savedFile.open(QIODevice::ReadOnly), "finding the saved file"));
        QCOMPARE(savedFile.readAll(), expectedFile());
        exitByMenu(main);

        editPlayersConfig(folder.path());
    }

    void helpAndVersionNeedNoDisplay()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QLatin1StringView(name));
        QProcess program;
        program.setProcessEnvironment(environment);

        program.start(QStringLiteral(BRACKWELL_PROGRAM), {QStringLiteral("--version")});
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitCode(), 0);
        QCOMPARE(program.readAllStandardOutput(), QByteArray("Brackwell 1.00\n"));

        program.start(QStringLiteral(BRACKWELL_PROGRAM), {QStringLiteral("--help")});
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitCode(), 0);
        const QByteArray help = program.readAllStandardOutput();
        QVERIFY2(help.contains("[options] [file]") && help.contains("--version"), help.constData());
        QVERIFY2(help.contains("brackwell -- -x.cfg"), help.constData());

        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(BRACKWELL_PROGRAM), {QStringLiteral("--no-such-option")});
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitCode(), 1);
        QVERIFY(program.readAllStandardError().contains("Unknown option 'no-such-option'"));
        // A file name that looks like options is one unknown option, named whole.
        program.start(QStringLiteral(BRACKWELL_PROGRAM), {QStringLiteral("-x.cfg")});
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitCode(), 1);
        QVERIFY(program.readAllStandardError().contains("Unknown option 'x.cfg'.\n"));
    }
};

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    TestEndToEnd test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_endtoend.moc"
