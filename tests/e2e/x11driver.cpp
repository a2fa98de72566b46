#include "x11driver.h"

#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QScreen>
#include <QStandardPaths>
#include <QThread>
#include <QWidget>

namespace {

// Time for the program to take in one input before the next one arrives.
constexpr int settleMs = 150;

void settle()
{
    QThread::msleep(settleMs);
}

} // namespace

X11Driver::X11Driver()
{
    m_program.setProcessChannelMode(QProcess::MergedChannels);
}

X11Driver::~X11Driver()
{
    if (m_program.state() != QProcess::NotRunning) {
        m_program.kill();
        m_program.waitForFinished(5000);
    }
}

QString X11Driver::missingTools()
{
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        return QStringLiteral("xdotool is not installed");
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return QStringLiteral("no X display (DISPLAY is not set)");
    return {};
}

bool X11Driver::start(const QString &program, const QString &workingFolder, const QStringList &arguments)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_settings.path());
    m_program.setProcessEnvironment(environment);
    m_program.setWorkingDirectory(workingFolder);
    m_program.start(program, arguments);
    return m_program.waitForStarted(10000);
}

bool X11Driver::waitForCleanExit(int milliseconds)
{
    if (m_program.state() != QProcess::NotRunning && !m_program.waitForFinished(milliseconds))
        return false;
    return m_program.exitStatus() == QProcess::NormalExit && m_program.exitCode() == 0;
}

QString X11Driver::programOutput()
{
    return QString::fromLocal8Bit(m_program.readAll());
}

QString X11Driver::xdotool(const QStringList &arguments)
{
    QProcess tool;
    tool.start(QStringLiteral("xdotool"), arguments);
    if (!tool.waitForFinished(10000))
        tool.kill();
    return QString::fromLocal8Bit(tool.readAllStandardOutput()).trimmed();
}

qulonglong X11Driver::waitForWindow(const QString &title, const QList<qulonglong> &except, int milliseconds)
{
    QDeadlineTimer deadline(milliseconds);
    do {
        const QStringList ids =
            xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"), title})
                .split(u'\n', Qt::SkipEmptyParts);
        for (const QString &id : ids) {
            const qulonglong window = id.toULongLong();
            if (window && !except.contains(window))
                return window;
        }
        QThread::msleep(50);
    } while (!deadline.hasExpired());
    return 0;
}

bool X11Driver::waitUntilGone(qulonglong window, int milliseconds)
{
    QDeadlineTimer deadline(milliseconds);
    do {
        const QStringList ids = xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                         QStringLiteral("--name"), QStringLiteral(".*")})
                                    .split(u'\n', Qt::SkipEmptyParts);
        if (!ids.contains(QString::number(window)))
            return true;
        QThread::msleep(50);
    } while (!deadline.hasExpired());
    return false;
}

namespace {

// One number from xdotool's "getwindowgeometry --shell" answer ("X=12", "WIDTH=793").
int geometryValue(const QString &shell, const char *name)
{
    const QRegularExpression line(QStringLiteral("^%1=(-?\\d+)").arg(QLatin1StringView(name)),
                                  QRegularExpression::MultilineOption);
    return line.match(shell).captured(1).toInt();
}

} // namespace

QPoint X11Driver::windowOrigin(qulonglong window)
{
    const QString shell = xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), QString::number(window)});
    return {geometryValue(shell, "X"), geometryValue(shell, "Y")};
}

QSize X11Driver::windowSize(qulonglong window)
{
    const QString shell = xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), QString::number(window)});
    return {geometryValue(shell, "WIDTH"), geometryValue(shell, "HEIGHT")};
}

QString X11Driver::windowTitle(qulonglong window)
{
    return xdotool({QStringLiteral("getwindowname"), QString::number(window)});
}

void X11Driver::click(QPoint screen)
{
    xdotool({QStringLiteral("mousemove"), QStringLiteral("--sync"), QString::number(screen.x()),
             QString::number(screen.y()), QStringLiteral("click"), QStringLiteral("1")});
    settle();
}

void X11Driver::move(QPoint screen)
{
    xdotool({QStringLiteral("mousemove"), QStringLiteral("--sync"), QString::number(screen.x()),
             QString::number(screen.y())});
    settle();
}

void X11Driver::clickOn(qulonglong window, const QWidget *twinControl)
{
    click(windowOrigin(window) + centreInWindow(twinControl));
}

void X11Driver::focus(qulonglong window)
{
    // No window manager runs here, so the window is given the keyboard directly.
    xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), QString::number(window)});
    settle();
}

void X11Driver::type(const QString &text)
{
    xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"), text});
    settle();
}

void X11Driver::key(const QString &keys)
{
    xdotool(QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("60")}
            + keys.split(u' ', Qt::SkipEmptyParts));
    settle();
}

QImage X11Driver::screenshot() const
{
    return QGuiApplication::primaryScreen()->grabWindow(0).toImage();
}

QImage X11Driver::screenshot(qulonglong window) const
{
    return QGuiApplication::primaryScreen()->grabWindow(WId(window)).toImage();
}

QPoint centreInWindow(const QWidget *control)
{
    return control->mapTo(control->window(), control->rect().center());
}
