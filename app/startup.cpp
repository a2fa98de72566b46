#include "app/startup.h"

#include "ui/desktop.h"
#include "ui/fonts.h"
#include "ui/jpeg.h"

#include <QApplication>

namespace brackwell {

ApplicationSetup::ApplicationSetup()
{
    QApplication::setApplicationName(QStringLiteral("Brackwell"));
    QApplication::setApplicationDisplayName(QStringLiteral("Brackwell"));
    // Ties the windows to the installed desktop entry, so task bars show its name and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("brackwell"));
    // The window descriptions store their pictures as JPEG data: the format must be known before
    // the first window is built.
    registerJpegFormats();
    installFonts();
}

ApplicationSetup::~ApplicationSetup()
{
    unregisterJpegFormats();
}

Program::Program(Desktop &desktop)
    : m_mainWindow(desktop)
    , m_keyPicker(m_mainWindow) // hidden until a Select Key button shows it
{
}

int run(int &argc, char **argv)
{
    QApplication app(argc, argv);
    Program program(systemDesktop());
    program.mainWindow().show();
    return app.exec();
}

} // namespace brackwell
