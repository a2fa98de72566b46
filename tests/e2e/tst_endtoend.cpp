// The typical road through the real program, driven from outside its process on an X server:
// switch off "Show Sun", type a gamma, tick the demo script and pick F7 for it on the key picker,
// create the config, add a say bind, save through the dialog into a temporary folder. The file
// must hold exactly the expected script and "Config File Saved" must have been shown.
#include "x11driver.h"

#include "app/startup.h"
#include "settings/generator.h"
#include "support/fakedesktop.h"
#include "ui/desktop.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QApplication>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#ifndef BRACKWELL_PROGRAM
#error "BRACKWELL_PROGRAM must name the program under test"
#endif

using namespace brackwell;

namespace {

// The bytes the saved file must hold after the road below.
QByteArray expectedFile()
{
    GenerationInput input = defaultInput();
    input.settings[std::size_t(settingIndex("CBdrawsun"))].enabled = false;
    input.settings[std::size_t(settingIndex("edtGamma"))].text = QStringLiteral("1.5");
    input.scripts[3] = {true, QStringLiteral("F7")}; // the demo block, last of the four
    const QString text = generate(input).text + QStringLiteral("bind k say hello there\r\n");
    return text.toLatin1();
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
        m_driver->clickOn(picker, twin(key));
        m_driver->clickOn(picker, twin("btnKeyOK"));
        return check(m_driver->waitUntilGone(picker), "the key picker closing on OK");
    }

    std::unique_ptr<X11Driver> m_driver;
    FakeDesktop m_twinDesktop;
    std::unique_ptr<Program> m_twin;

private slots:
    void initTestCase()
    {
        const QString missing = X11Driver::missingTools();
        if (!missing.isEmpty())
            QFAIL(qPrintable("cannot drive the program: " + missing));
        m_driver = std::make_unique<X11Driver>();
        // The twin tells where controls lie; it is laid out but never mapped on the screen.
        m_twin = std::make_unique<Program>(m_twinDesktop);
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
        // Its text is selectable: select it all and copy it, which is how we read what it says.
        const std::unique_ptr<QMessageBox> twinBox =
            makeMessageBox(QMessageBox::NoIcon, QStringLiteral("Config File Saved"), QMessageBox::Ok, nullptr);
        twinBox->setAttribute(Qt::WA_DontShowOnScreen);
        twinBox->show();
        QGuiApplication::clipboard()->clear();
        m_driver->focus(message);
        m_driver->clickOn(message, twinBox->findChild<QLabel *>(QStringLiteral("qt_msgbox_label")));
        m_driver->key(QStringLiteral("ctrl+a ctrl+c"));
        const bool saidSaved = QTest::qWaitFor(
            [] { return QGuiApplication::clipboard()->text() == QStringLiteral("Config File Saved"); }, 5000);
        QVERIFY(check(saidSaved, "the message window saying \"Config File Saved\""));
        m_driver->key(QStringLiteral("Return"));
        QVERIFY(check(m_driver->waitUntilGone(message), "the message window closing on Return"));

        QFile saved(folder.filePath(QStringLiteral("autoexec.cfg")));
        QVERIFY(check(saved.open(QIODevice::ReadOnly), "finding the saved file"));
        QCOMPARE(saved.readAll(), expectedFile());

        // File > Exit ends the program.
        m_driver->focus(main);
        m_driver->key(QStringLiteral("alt+f"));
        m_driver->key(QStringLiteral("x"));
        QVERIFY(check(m_driver->waitForCleanExit(10000), "the program ending cleanly on File > Exit"));
    }
};

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    TestEndToEnd test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_endtoend.moc"
