// Saves a picture of every tab of the main window (and the key picker, when it exists) as PNG
// files in the folder given as the only argument. Works on the offscreen platform.
#include "app/startup.h"
#include "ui/desktop.h"
#include "ui/mainwindow.h"

#include <QApplication>
#include <QDir>
#include <QTabWidget>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    brackwell::ApplicationSetup setup;
    TfrmBrackwell window(brackwell::systemDesktop());
    window.show();
    auto *tabs = window.findChild<QTabWidget *>(QStringLiteral("PC1"));
    for (int i = 0; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        QApplication::processEvents();
        const QString name = folder.filePath(QStringLiteral("tab%1-%2.png").arg(i + 1).arg(tabs->widget(i)->objectName()));
        if (!window.grab().save(name)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(name));
            return 1;
        }
    }
    return 0;
}
