// Pictures of the real program for the documentation: starts it on the current X display, opens
// every tab (the output tab after "Create Config") and the key picker, and saves each window as
// a PNG file in the given folder; and the output box with lines typed into it and a mark's tip. tools/screenshots.sh runs it on a virtual X server.
#include "app/startup.h"
#include "support/fakedesktop.h"
#include "support/testmachine.h"
#include "x11driver.h"

#include <QApplication>
#include <QDir>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTabBar>
#include <QTabWidget>
#include <QThread>

#include <cstdio>

namespace {

int fail(const char *what)
{
    std::fprintf(stderr, "screenshots: %s\n", what);
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <brackwell program> <folder>\n", argv[0]);
        return 2;
    }
    const QString missing = X11Driver::missingTools();
    if (!missing.isEmpty())
        return fail(qPrintable(missing));
    const QDir folder(QString::fromLocal8Bit(argv[2]));

    // A twin of the windows tells where the controls are.
    FakeDesktop twinDesktop;
    TestMachine twinMachine;
    brackwell::Program twin(twinDesktop, twinMachine);
    twin.mainWindow().setAttribute(Qt::WA_DontShowOnScreen);
    twin.mainWindow().show();
    auto *tabs = twin.mainWindow().findChild<QTabWidget *>(QStringLiteral("PC1"));
    auto control = [&](const char *name) { return twin.mainWindow().findChild<QWidget *>(QLatin1StringView(name)); };

    X11Driver driver;
    if (!driver.start(QString::fromLocal8Bit(argv[1]), QDir::tempPath()))
        return fail("the program did not start");
    const qulonglong main = driver.waitForWindow(QStringLiteral("^Brackwell$"));
    if (!main)
        return fail("the main window did not appear");
    driver.focus(main);

    for (int i = 0; i < tabs->count(); ++i) {
        const QTabBar *bar = tabs->tabBar();
        driver.click(driver.windowOrigin(main) + bar->mapTo(bar->window(), bar->tabRect(i).center()));
        if (tabs->widget(i)->objectName() == QLatin1StringView("TSOutput"))
            driver.clickOn(main, control("btnCreate"));
        QThread::msleep(300);
        const QString name = folder.filePath(QStringLiteral("tab%1-%2.png").arg(i + 1).arg(tabs->widget(i)->objectName()));
        if (!driver.screenshot(main).save(name))
            return fail("cannot write a picture");
        std::printf("%s\n", qPrintable(name));
    }

    // The output box after lines typed into it: colours, and the mark under the mouse with its tip.
    {
        const int output = tabs->indexOf(control("TSOutput"));
        const QTabBar *bar = tabs->tabBar();
        driver.click(driver.windowOrigin(main) + bar->mapTo(bar->window(), bar->tabRect(output).center()));
        auto *box = qobject_cast<QPlainTextEdit *>(control("memoOutput"));
        const QStringList typed = {QStringLiteral("seta name \"^1Brack^7well\" // my name"),
                                   QStringLiteral("bind F4 say brb; quit")};
        driver.clickOn(main, box);
        driver.key(QStringLiteral("ctrl+End"));
        for (const QString &line : typed) {
            driver.type(line);
            driver.key(QStringLiteral("Return"));
        }
        // The twin's box holds the same text, scrolled the same way: it tells where the mark is.
        tabs->setCurrentIndex(output);
        twin.mainWindow().btnCreateClick();
        box->moveCursor(QTextCursor::End);
        box->insertPlainText(typed.join(u'\n') + u'\n');
        box->ensureCursorVisible();
        QTextCursor mark(box->document()->findBlockByNumber(box->document()->blockCount() - 2));
        mark.setPosition(mark.position() + typed.back().indexOf(u';') + 3);
        const QPoint inWindow = box->viewport()->mapTo(&twin.mainWindow(), box->cursorRect(mark).center());
        driver.move(driver.windowOrigin(main) + inWindow);
        QThread::msleep(1500); // the tooltip's own delay
        const QRect boxArea(driver.windowOrigin(main) + box->mapTo(&twin.mainWindow(), QPoint(0, 0)), box->size());
        const QString name = folder.filePath(QStringLiteral("output-marks.png"));
        if (!driver.screenshot().copy(boxArea.adjusted(-8, -8, 160, 60)).save(name))
            return fail("cannot write a picture");
        std::printf("%s\n", qPrintable(name));
    }

    const QTabBar *bar = tabs->tabBar();
    driver.click(driver.windowOrigin(main) + bar->mapTo(bar->window(), bar->tabRect(2).center()));
    driver.clickOn(main, control("btnS1"));
    const qulonglong picker = driver.waitForWindow(QStringLiteral("^Bindable Keys Keyboard$"));
    if (!picker)
        return fail("the key picker did not appear");
    QThread::msleep(300);
    const QString name = folder.filePath(QStringLiteral("keypicker.png"));
    if (!driver.screenshot(picker).save(name))
        return fail("cannot write a picture");
    std::printf("%s\n", qPrintable(name));
    return 0;
}
