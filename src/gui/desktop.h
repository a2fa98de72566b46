#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class QCommandLineParser;
class QCoreApplication;
class QWidget;

namespace brackwell {

// Everything the program asks of the desktop besides its own windows: the message window, the
// error box, the questions, the open- and save-file dialogs. Files and what is kept between runs
// are the machine's (platform/machine.h). Tests put a fake behind it that answers the dialogs and
// records what was shown; a platform port changes only the production side.
class Desktop
{
public:
    virtual ~Desktop() = default;

    // A small modal window centred on the screen: application title, the text, one OK button, no icon.
    // `informative`, where not empty, stands under the text (the file a save wrote).
    virtual void showMessage(QWidget *parent, const QString &text, const QString &informative = {}) = 0;
    // The same with a longer text the user can unfold under the message.
    virtual void showReport(QWidget *parent, const QString &text, const QString &details) = 0;
    // Error icon, OK button, application title. The caller passes the final text (see withFullStop);
    // `informative`, where not empty, stands under it (where the file is now), and `details`
    // unfold under both.
    virtual void showError(QWidget *parent, const QString &text, const QString &details,
                           const QString &informative = {}) = 0;
    // Yes and No, No the default. True for Yes.
    virtual bool askQuestion(QWidget *parent, const QString &text) = 0;
    // The desktop's question before changes that are not saved would be lost: Save, Discard and
    // Cancel, Save the default, Escape for Cancel.
    enum class Unsaved { Save, Discard, Cancel };
    virtual Unsaved askToSaveChanges(QWidget *parent, const QString &text) = 0;
    // The desktop's question before a save writes over a file another program changed since it was
    // read: Overwrite, Reload and Cancel, Cancel the default and for Escape.
    enum class ChangedOnDisk { Overwrite, Reload, Cancel };
    virtual ChangedOnDisk askChangedOnDisk(QWidget *parent, const QString &text) = 0;
    // A line number from 1 to `last`, `current` offered; nothing when the user cancels.
    virtual std::optional<int> askLineNumber(QWidget *parent, int current, int last) = 0;

    // The save-file dialog, opened on `suggestedName` (a bare name or a full path). The name comes
    // back with `defaultSuffix` added when it has no suffix; nothing when the user cancels. The
    // dialog does not ask about replacing a file: the caller asks about the name it will write.
    virtual std::optional<QString> chooseSaveFile(QWidget *parent, const QString &suggestedName,
                                                  const QString &defaultSuffix) = 0;

    // The open-file dialog on `folder`, offering `filters` ("Config files (*.cfg)") with the first
    // chosen and `places` in its side bar where the dialog has one. An existing file's full name;
    // nothing when the user cancels.
    virtual std::optional<QString> chooseOpenFile(QWidget *parent, const QString &folder, const QStringList &filters,
                                                  const QStringList &places) = 0;
};

// A box as the production desktop shows it: application title, plain text the user can select
// and copy, the given icon and buttons.
std::unique_ptr<QMessageBox> makeMessageBox(QMessageBox::Icon icon, const QString &text,
                                            QMessageBox::StandardButtons buttons, QWidget *parent);

// Puts `details` under a box's text as Qt's "Show Details..." does, readable from the keyboard too:
// the details are a Tab stop named "Details", with a text cursor to read them by, and showing them
// takes the focus there; hiding them is told on the button.
void setReadableDetails(QMessageBox &box, const QString &details);

// The production desktop: Qt's message boxes and file dialogs.
Desktop &systemDesktop();

// The error box always ends its text with a full stop.
QString withFullStop(const QString &text);

// Answers --help and --version from the command line and ends the program; anything else is left
// for the caller. The text goes to the terminal the program was started from, or to the file or
// pipe its output is sent to; only where there is neither (a Windows program started from the
// desktop) does the platform show it in a box.
void answerTextOptions(QCommandLineParser &parser, const QCoreApplication &app);

} // namespace brackwell
