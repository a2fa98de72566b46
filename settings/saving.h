#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringConverter>
#include <QStringList>

#include <algorithm>
#include <functional>
#include <optional>

namespace brackwell {

// The places below which the game keeps its folders, as the desktop names them on this machine.
struct GamePlaces {
    QString driveRoot; // the root of the drive the program runs on: "/", "C:/"
    QString home;      // the user's home folder
    QString documents; // the user's Documents folder
};

enum class Platform { Windows, Unix };
#ifdef Q_OS_WIN
inline constexpr Platform hostPlatform = Platform::Windows;
#else
inline constexpr Platform hostPlatform = Platform::Unix;
#endif

// The folders the one-click save may write into, in the order it tries them: the game's default
// installation below the drive root first (on 64-bit Windows the original game installs below
// "Program Files (x86)", tried next), so that wherever it exists nothing else is looked at; then
// the folders in the user's own files where the game reads its config on `platform`. A place
// left empty adds no folder: a relative path would land wherever the program was started.
QStringList gameFolderCandidates(const GamePlaces &places, Platform platform);

// The one-click save's folder: the first of `folders` that exists as a folder right now (a file
// of that name does not count) and in which `takesNewFiles` can make a file. An installation
// folder only an administrator may write into is passed over for the user's own folders.
struct GameFolderChoice {
    std::optional<QString> folder;
    // When no folder was chosen: the first that exists but refused a new file, else empty.
    QString refused;
};
GameFolderChoice chooseGameFolder(const QStringList &folders,
                                  const std::function<bool(const QString &)> &takesNewFiles);

// The file the one-click save writes in the folder it chose.
inline constexpr char oneClickFileName[] = "autoexec.cfg";
QString oneClickFile(const QString &folder);

// The name the save-file dialog opens with, and the suffix every config file gets.
inline constexpr char dialogFileName[] = "autoexec";
inline constexpr char configSuffix[] = "cfg";

inline constexpr char savedMessage[] = "Config File Saved";
inline constexpr char streamWriteError[] = "Stream write error";

// The file a name chosen in the save-file dialog is written to: ".cfg" is added unless the name
// already ends in it, in any capitals.
QString withConfigSuffix(const QString &chosen);

// The text a multi-line box holds, from its document's raw text: paragraph and line separators
// become line breaks and every other character stays as it is (a no-break space included, which a
// plain-text export turns into a blank).
QString boxText(const QString &rawDocumentText);

// The text with every line break one LF: CR LF and a lone CR (pasted text) each become one.
QString withLineFeeds(const QString &text);

// How many leading and trailing items two sequences of `left` and `right` items share, where
// `same(i, j)` compares item i of the left with item j of the right; the trailing ones never
// overlap the leading ones.
struct CommonEnds {
    qsizetype head = 0, tail = 0;
};
template <typename Same>
CommonEnds commonEnds(qsizetype left, qsizetype right, Same same)
{
    const qsizetype most = std::min(left, right);
    CommonEnds ends;
    while (ends.head < most && same(ends.head, ends.head))
        ++ends.head;
    while (ends.tail < most - ends.head && same(left - 1 - ends.tail, right - 1 - ends.tail))
        ++ends.tail;
    return ends;
}

// The text the one-click save writes: the box's text with a line break added where its last line
// has none. A box that ends in one is written as it stands, so a file opened and saved again
// keeps every byte.
QString oneClickText(const QString &boxText);

// The size of the file a save writes for a box that holds the text of `fileBytes`: every line
// break becomes CR LF, and the one-click save ends the last line. Every other character keeps
// its byte count: the box's text is written in the set it was read in.
qint64 savedFileSize(QByteArrayView fileBytes);

// The lines of an opened file, each with the bytes it was read from. Reading is not always undone
// by writing: where the system's character set is UTF-8 or takes two bytes for some characters,
// bytes it cannot read become U+FFFD, which would be written back as other bytes.
class OpenedLines
{
public:
    OpenedLines() = default;
    // `text` is `bytes` read in `encoding`, line breaks included.
    OpenedLines(QByteArrayView bytes, const QString &text, QStringConverter::Encoding encoding);

    bool isEmpty() const { return m_texts.isEmpty(); }
    qsizetype size() const { return m_texts.size(); }
    const QString &text(qsizetype line) const { return m_texts[line]; }
    const QByteArray &bytes(qsizetype line) const { return m_bytes[line]; }
    // The lines that read `text`, in the file's order.
    QList<qsizetype> linesReading(const QString &text) const { return m_where.value(text); }

private:
    QStringList m_texts;
    QList<QByteArray> m_bytes;
    QHash<QString, QList<qsizetype>> m_where;
};

// The output box's text as the file's bytes: every line break CR LF, every character in the 8-bit
// set of `encoding`. A character the set lacks is never replaced: `error` names it and `bytes` is empty.
// A line that reads as a line of the file it was opened from, `opened`, is written as that line's
// bytes; in other lines U+FFFD, which stands for bytes that could not be read, is refused too.
struct ScriptBytes {
    QByteArray bytes;
    QString error;
    bool ok() const { return error.isEmpty(); }
};
ScriptBytes encodeScript(const QString &text, QStringConverter::Encoding encoding, const OpenedLines &opened = {});

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
