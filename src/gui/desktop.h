#pragma once

#include "document/configfile.h"
#include "platform/files.h"
#include "platform/gamefolders.h"
#include "platform/savemessages.h"

#include <QByteArray>
#include <QMessageBox>
#include <QString>
#include <QStringConverter>
#include <QStringList>

#include <memory>
#include <optional>

class QCommandLineParser;
class QCoreApplication;
class QWidget;

namespace brackwell {

// Everything the program asks of the desktop besides its own windows: the message window, the
// error box, the open- and save-file dialogs, reading and writing a file. Tests put a fake behind
// it that answers the dialogs and records what was shown; a platform port changes only the
// production side.
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
    // `details`, where not empty, unfold under it.
    virtual void showError(QWidget *parent, const QString &text, const QString &details) = 0;
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

    // The whole file, read only, or why not; a file longer than `maxBytes` is refused.
    virtual FileRead readFile(const QString &path, qint64 maxBytes) = 0;

    // Replaces the file at `path` with `bytes` whole, or leaves it as it was.
    virtual std::optional<WriteFailure> writeFile(const QString &path, const QByteArray &bytes) = 0;
    // Copies the file `from` to `to` (see copyFileSafely).
    virtual std::optional<WriteFailure> copyFile(const QString &from, const QString &to) = 0;
    // Whether the file is read-only for this user (see isReadOnlyFile): a save leaves it alone.
    virtual bool isReadOnly(const QString &path) = 0;
    // Removes the file; false where it could not.
    virtual bool removeFile(const QString &path) = 0;
    // Whether a new file can be made in the existing `folder` (a game folder below Program Files
    // is read-only without administrator rights). Leaves nothing behind.
    virtual bool canCreateFilesIn(const QString &folder) = 0;

    // The configs opened or saved last, the latest first, kept between runs.
    virtual QStringList recentFiles() = 0;
    virtual void setRecentFiles(const QStringList &files) = 0;
    // The hash of what Brackwell last wrote to a file, by writeRecordKey, kept between runs; empty
    // for a file it never wrote.
    virtual QByteArray writtenHash(const QString &key) = 0;
    virtual void setWrittenHash(const QString &key, const QByteArray &hash) = 0;

    // The root of the drive the program runs on: where a path without a drive letter lands.
    virtual QString currentDriveRoot() = 0;
    // The user's home folder and Documents folder, where the game may keep its own folders.
    virtual QString homeFolder() = 0;
    virtual QString documentsFolder() = 0;
};

// The folders the one-click save tries on this machine, in its order.
QStringList gameFolders(Desktop &desktop);

// The folder the one-click save would write into if the user clicked now: the first of the game's
// folders that exists and can be written. Asked afresh each time: a game installed while the
// program runs is found.
GameFolderChoice oneClickChoice(Desktop &desktop);
inline std::optional<QString> oneClickFolder(Desktop &desktop)
{
    return oneClickChoice(desktop).folder;
}

// A box as the production desktop shows it: application title, plain text the user can select
// and copy, the given icon and buttons.
std::unique_ptr<QMessageBox> makeMessageBox(QMessageBox::Icon icon, const QString &text,
                                            QMessageBox::StandardButtons buttons, QWidget *parent);

// The production desktop: Qt's message boxes and file dialog, the system's files.
Desktop &systemDesktop();

// The error box always ends its text with a full stop.
QString withFullStop(const QString &text);

// Answers --help and --version from the command line and ends the program; anything else is left
// for the caller. The text goes to the terminal the program was started from, or to the file or
// pipe its output is sent to; only where there is neither (a Windows program started from the
// desktop) does the platform show it in a box.
void answerTextOptions(QCommandLineParser &parser, const QCoreApplication &app);

} // namespace brackwell
