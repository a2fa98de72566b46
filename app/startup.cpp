#include "app/startup.h"

#include "ui/desktop.h"
#include "ui/fonts.h"
#include "ui/groupboxstyle.h"
#include "ui/jpeg.h"

#include <QApplication>

namespace brackwell {

ApplicationSetup::ApplicationSetup()
{
    // The application title. It is the name, not a display name: Qt appends a display name to
    // every window title that lacks it, and the key picker's title is its own.
    QApplication::setApplicationName(QStringLiteral("Brackwell"));
    // Ties the windows to the installed desktop entry, so task bars show its name and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("brackwell"));
    // The window descriptions store their pictures as JPEG data: the format must be known before
    // the first window is built.
    registerJpegFormats();
    installFonts();
    // The platform's style for every control but group boxes, whose captions sit in the frame.
    QApplication::setStyle(new GroupBoxStyle);
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
