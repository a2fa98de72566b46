#pragma once

#include <QImage>
#include <QPoint>
#include <QSize>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class QWidget;

// Drives the real program from outside its process, on an X display, the way a user would: real
// mouse clicks and key presses sent through xdotool. Where a control lies is measured on a twin of
// the program's windows built inside this process with the same window descriptions and fonts.
class X11Driver
{
public:
    X11Driver();
    ~X11Driver();

    // Empty when the tools are there; otherwise what is missing.
    static QString missingTools();

    bool start(const QString &program, const QString &workingFolder, const QStringList &arguments = {});
    // True once the program has ended by itself with exit code 0.
    bool waitForCleanExit(int milliseconds);
    QString programOutput();

    // The id of a visible top-level window whose title matches `title` (a regular expression),
    // other than those in `except`, or 0 after the timeout.
    qulonglong waitForWindow(const QString &title, const QList<qulonglong> &except = {}, int milliseconds = 10000);
    bool waitUntilGone(qulonglong window, int milliseconds = 10000);
    QPoint windowOrigin(qulonglong window);
    QSize windowSize(qulonglong window);
    // The title the window shows, as the window manager reads it.
    QString windowTitle(qulonglong window);

    void click(QPoint screen);
    // Moves the mouse there and leaves it, as a user resting it over something.
    void move(QPoint screen);
    // Clicks the middle of a twin control, placed on the real window `window`.
    void clickOn(qulonglong window, const QWidget *twinControl);
    void focus(qulonglong window);
    void type(const QString &text);
    // Key combinations separated by blanks, in xdotool's names: "ctrl+a ctrl+c", "Return".
    void key(const QString &keys);

    QImage screenshot() const;
    QImage screenshot(qulonglong window) const;

private:
    QString xdotool(const QStringList &arguments);

    QProcess m_program;
    QTemporaryDir m_settings; // the program's own settings, never the user's
};

// Where the middle of a control lies in its top-level window.
QPoint centreInWindow(const QWidget *control);
