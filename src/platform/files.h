#pragma once

#include "platform/savemessages.h"

#include <QByteArray>
#include <QString>
#include <QStringConverter>

#include <optional>

// Reading and writing whole files: a read that never waits and refuses what is no regular file, a
// write that replaces a file only once every byte is on the disk.

namespace brackwell {

// What reading a file gave: its bytes, or why not.
struct FileRead {
    // What the path names. Only a regular file is read: a pipe, socket or device could keep the
    // window waiting for data that never comes.
    enum class Kind { File, Folder, Special };

    QByteArray bytes;
    bool tooLarge = false; // longer than the reader's limit; nothing was kept
    QString error;         // the system's reason when the file could not be read
    Kind kind = Kind::File;
    bool ok() const { return !tooLarge && error.isEmpty() && kind == Kind::File; }
};

// The 8-bit character set of config files on this system.
QStringConverter::Encoding configFileEncoding();

// Reads at most `maxBytes` and refuses a longer file, whatever size the system claims for it.
// Refuses a folder or anything but a regular file without reading from it, and never waits for
// data: a file the system makes up as it is read (as below /proc) is read like any other.
FileRead readFileBounded(const QString &path, qint64 maxBytes);

// Makes a file in `folder` and removes it again: whether the system lets this user create files there.
bool folderTakesNewFiles(const QString &folder);

// Writes through a temporary file beside `path` that replaces it only once every byte is on the
// disk: a failure leaves the previous file as it was and no temporary file behind. Through a link,
// the file it points to is replaced. Where the folder takes no new file but the file may be
// overwritten, it is overwritten in place (on Linux; a save has kept a copy of it before).
std::optional<WriteFailure> writeFileAtomically(const QString &path, const QByteArray &bytes);

// Puts a copy of the file `from` at `to` in the same way, with the same rights. A link at `to` is
// replaced, never followed, so the copy cannot land anywhere else; a file at `to` that is
// read-only or that this user may not write is left alone and the copy fails.
std::optional<WriteFailure> copyFileSafely(const QString &from, const QString &to);

// Whether the file at `path` is one its owner means to keep as it is: on Windows its read-only
// attribute; elsewhere no write bit for this user in its mode (owner, group or others, whichever
// applies), read from the bits so that it holds for an administrator too, whom the system would
// let write. False where there is no file.
bool isReadOnlyFile(const QString &path);

// The file a save to `path` replaces: the file itself, through a link the file it points to;
// empty when there is none yet (or a folder is there).
QString replacedFile(const QString &path);

} // namespace brackwell
