#include "app/startup.h"

#include "keys/keypicker.h"
#include "ui/desktop.h"
#include "ui/fonts.h"
#include "ui/jpeg.h"
#include "ui/mainwindow.h"

#include <QApplication>

namespace brackwell {

ApplicationSetup::ApplicationSetup()
{
    QApplication::setApplicationName(QStringLiteral("Brackwell"));
    QApplication::setApplicationDisplayName(QStringLiteral("Brackwell"));
    // The window descriptions store their pictures as JPEG data: the format must be known before
    // the first window is built.
    registerJpegFormats();
    installFonts();
}

ApplicationSetup::~ApplicationSetup()
{
    unregisterJpegFormats();
}

int run(int &argc, char **argv)
{
    QApplication app(argc, argv);
    ApplicationSetup setup;
    TfrmBrackwell mainWindow(systemDesktop());
    // Hidden until a Select Key button shows it; its OK writes into the main window's boxes.
    TForm3 keyPicker(mainWindow);
    mainWindow.show();
    return app.exec();
}

} // namespace brackwell
