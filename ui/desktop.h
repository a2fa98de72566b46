#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

class QWidget;

namespace brackwell {

// Everything the program asks of the desktop besides its own windows: the message window, the
// error box, the save-file dialog and writing a file. Tests put a fake behind it that answers the
// dialogs and records what was shown; a platform port changes only the production side.
class Desktop
{
public:
    virtual ~Desktop() = default;

    // A small modal window centred on the screen: application title, the text, one OK button, no icon.
    virtual void showMessage(QWidget *parent, const QString &text) = 0;
    // Error icon, OK button, application title. The caller passes the final text (see withFullStop).
    virtual void showError(QWidget *parent, const QString &text) = 0;
};

// The production desktop: Qt's message boxes, file dialog and files.
Desktop &systemDesktop();

// The error box always ends its text with a full stop.
QString withFullStop(const QString &text);

} // namespace brackwell
