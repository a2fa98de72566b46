#include "app/startup.h"

#include "gui/accessibility.h"
#include "gui/desktop.h"
#include "gui/fonts.h"
#include "gui/groupboxstyle.h"
#include "gui/jpeg.h"
#include "platform/machine.h"
#include "platform/running.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QEvent>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <utility>

namespace brackwell {

namespace {

// The application title, and the version --version and the About box show.
void nameApplication()
{
    // The name, not a display name: Qt appends a display name to every window title that lacks
    // it, and the key picker's title is its own.
    QCoreApplication::setApplicationName(QStringLiteral("Brackwell"));
    QCoreApplication::setApplicationVersion(QStringLiteral(BRACKWELL_VERSION));
}

} // namespace

ApplicationSetup::ApplicationSetup()
{
    nameApplication();
    // Ties the windows to the installed desktop entry, so task bars show its name and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("brackwell"));
    // The window descriptions store their pictures as JPEG data: the format must be known before
    // the first window is built.
    registerJpegFormats();
    installFonts();
    // Before any window: a widget's accessibility object is made as it is built, and kept.
    installAccessibleInterfaces();
    // The platform's style for every control but group boxes, whose captions sit in the frame.
    QApplication::setStyle(new GroupBoxStyle);
}

ApplicationSetup::~ApplicationSetup()
{
    unregisterJpegFormats();
}

namespace {

// Calls `then` from the event loop once `window` has painted for the first time.
class AfterFirstPaint : public QObject
{
public:
    AfterFirstPaint(QWidget &window, std::function<void()> then)
        : QObject(&window)
        , m_then(std::move(then))
    {
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, this, [this] {
                m_then();
                deleteLater();
            });
        }
        return false;
    }

private:
    std::function<void()> m_then;
};

} // namespace

Program::Program(Desktop &desktop, Machine &machine)
    : m_mainWindow(desktop, machine)
{
    new AfterFirstPaint(m_mainWindow, [this] { keyPicker(); });
}

Program::~Program() = default;

TForm3 &Program::keyPicker()
{
    if (!m_keyPicker)
        m_keyPicker = std::make_unique<TForm3>(m_mainWindow); // hidden until a Select Key button shows it
    return *m_keyPicker;
}

namespace {

void describeCommandLine(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QStringLiteral("Builds an autoexec.cfg console script for Enemy Territory."));
    parser.addHelpOption();
    parser.addVersionOption();
    // "-x.cfg" is one unknown option, not the five options x, ., c, f and g.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addPositionalArgument(QStringLiteral("file"),
                                 QStringLiteral("A config script to open at start. A name that begins with '-' "
                                                "follows '--': brackwell -- -x.cfg"),
                                 QStringLiteral("[file]"));
}

// --help and --version answer in the terminal, also where there is no display to open a window on.
bool asksOnlyForText(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0)
            return false;
        for (const char *option : {"-h", "--help", "-?", "--help-all", "-v", "--version"}) {
            if (std::strcmp(argv[i], option) == 0)
                return true;
        }
    }
    return false;
}

} // namespace

int run(int &argc, char **argv)
{
    nameApplication();
    QCommandLineParser parser;
    describeCommandLine(parser);
    if (asksOnlyForText(argc, argv)) {
        QCoreApplication app(argc, argv);
        answerTextOptions(parser, app); // prints the text and ends the program
    }

    QApplication app(argc, argv);
    parser.process(app); // an unknown option ends the program with a message
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        std::fprintf(stderr, "%s: open one config file at a time\n", qPrintable(QCoreApplication::applicationName()));
        return EXIT_FAILURE;
    }

    // Before the window: an uninstaller started from now on waits for the program to end.
    markProgramRunning();
    Program program(systemDesktop(), systemMachine());
    program.mainWindow().show();
    // After both windows are built, from inside the event loop like any other handler.
    if (!files.isEmpty())
        program.mainWindow().openConfigLater(files.front());
    return app.exec();
}

} // namespace brackwell
