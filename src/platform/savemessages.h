#pragma once

#include <QString>

namespace brackwell {

inline constexpr char savedMessage[] = "Config File Saved";
inline constexpr char streamWriteError[] = "Stream write error";

// How writing a file failed. The two save commands report the same failure differently: the
// one-click save by `code`, the dialog save by `stage` and the system's own description.
struct WriteFailure {
    enum class Stage {
        Create, // the file could not be made or put in place
        Write,  // not every byte reached the disk
    };
    Stage stage = Stage::Create;
    int code = 0;        // the one-click save's code where it names the failure (3, 4, 5, 101), else 0
    int systemError = 0; // the system's own number
    QString description; // the system's own text
};

// The system's description of an error, ready to stand inside a message: the error box adds the
// one final full stop, so the system's own trailing blanks and full stops go.
QString systemReason(const QString &description);

QString oneClickFailureMessage(const WriteFailure &failure);
// The one-click save's failure when the game's folders that exist cannot be written: it names the
// first and sends the user to the other save.
QString unwritableGameFolderMessage(const QString &folder);
// The one-click save's failure when none of its folders exists: the code of a missing folder.
WriteFailure noGameFolder();
QString dialogFailureMessage(const QString &path, const WriteFailure &failure);

// The question asked before the dialog save replaces an existing file.
QString replaceQuestion(const QString &path);

} // namespace brackwell
