#pragma once

#include "platform/machine.h"
#include "platform/savemessages.h"
#include "platform/writerecords.h"

#include <QByteArray>
#include <QString>

#include <optional>

// The rules of both saves, below the window: which file is written, what is asked first, the copy
// kept of a file before it is replaced, the record of what was written, and what every failure
// leaves. Whatever fails, and even where the program is killed part-way, the version of the file
// the player had is afterwards in the file or in its copy, and the message says which.

namespace brackwell {

// The questions a save asks; the window answers them.
class SaveQuestions
{
public:
    // Yes and No, No the default. True for Yes.
    virtual bool confirm(const QString &text) = 0;
    // Before a save writes over a file another program changed since it was read.
    enum class ChangedOnDisk { Overwrite, Reload, Cancel };
    virtual ChangedOnDisk changedOnDisk(const QString &text) = 0;

protected:
    ~SaveQuestions() = default;
};

// The file the window edits, as the save knows it.
struct OpenFile {
    QString path;
    QByteArray bytes; // as opened or last saved
};

// What a save writes.
struct SaveRequest {
    QByteArray bytes;
    // The bytes hold lines the player typed or added in the box: the file is then the player's
    // work, not the program's output.
    bool typed = false;
    std::optional<OpenFile> open;
};

// How a save ended, for the window to show.
struct SaveOutcome {
    enum class Result {
        Saved,
        Failed,
        Cancelled,
        Reload,      // the player would rather reload the open file, changed on disk
        ChooseAgain, // the dialog save's file exists and the player would rather pick another
    };
    Result result = Result::Cancelled;
    QString path;        // the file written, or to reload
    QString text;        // the message, or the error's text without its full stop
    QString informative; // where the file and its copies are now
    QString details;     // the file and the system's reason
};

class SavePolicy
{
public:
    explicit SavePolicy(Machine &machine);

    // The one-click save: autoexec.cfg in the first of the game's folders that takes files.
    SaveOutcome saveOneClick(const SaveRequest &request, SaveQuestions &questions);
    // The dialog save once the dialog named `target` (the config suffix added).
    SaveOutcome saveChosen(const QString &target, const SaveRequest &request, SaveQuestions &questions);
    // Saving the open file itself, as the question before its changes are dropped offers.
    SaveOutcome saveOpenFile(const SaveRequest &request, SaveQuestions &questions);

private:
    enum class Kind { OneClick, Dialog };
    struct Existing;
    struct Copy;
    Existing existing(const QString &path);
    bool isOwnWork(const Existing &file, const SaveRequest &request);
    QString copyNote(const Existing &file);
    bool mayReplaceWithOneClick(const QString &file, const QString &folder, const SaveRequest &request,
                                SaveQuestions &questions);
    bool isOpenFile(const QString &path, const SaveRequest &request);
    bool changedOnDisk(const QString &path, const SaveRequest &request);
    std::optional<SaveOutcome> mayWriteOverOpenFile(const QString &path, const SaveRequest &request,
                                                    SaveQuestions &questions);
    SaveOutcome write(Kind kind, const QString &path, const SaveRequest &request);
    std::optional<SaveOutcome> keepCopy(const QString &path, const Existing &file, Copy &copy);
    void undoCopy(const Copy &copy);
    SaveOutcome failed(Kind kind, const QString &path, const WriteFailure &failure, const QString &state) const;
    SaveOutcome copyFailed(const QString &file, const QString &copy, const WriteFailure &failure,
                           const QString &state) const;

    Machine &m_machine;
    FileLayer &m_files;
    WriteRecords m_records;
    bool m_recordProblemSaid = false;
};

} // namespace brackwell
