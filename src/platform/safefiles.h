#pragma once

#include "platform/filelayer.h"
#include "platform/savemessages.h"

#include <QByteArray>
#include <QString>

#include <optional>

// Whole files through the file layer, and the names a save gives the files it makes beside one.

namespace brackwell {

// How a call of the layer failed, as the saves report it.
WriteFailure failureOf(const FileLayer &files, WriteFailure::Stage stage, SystemError error);

// The whole of a regular file, at most `limit` bytes (a longer file fails with fileErrors::tooLarge).
struct WholeFile {
    QByteArray bytes;
    SystemError error = 0;
};
WholeFile readWhole(FileLayer &files, const QString &path, qint64 limit);

// Makes the new file `path` holding `bytes` with the rights `rights`, every byte on the disk
// before it returns. A failure removes what was made.
std::optional<WriteFailure> writeNew(FileLayer &files, const QString &path, const QByteArray &bytes, quint32 rights);

// Whether this user may make a file in `folder`: tried, since only trying shows access lists,
// read-only drives and quotas. Leaves nothing behind.
bool folderTakesNewFiles(FileLayer &files, const QString &folder);

// How many copies of a file a save keeps beside it at most: `<name>.bak`, the latest, then the
// older ones as `<name>.bak.1` up to this number.
inline constexpr int olderCopies = 3;

// The copy of `file` kept before a save replaces it: 0 for `<name>.bak`, the latest; n for the
// n-th older one, `<name>.bak.n`. A name that would pass the file system's limit is cut, with a
// short hash of the whole name to tell such names apart.
QString backupFile(const QString &file, int older = 0);

// A name for a temporary file beside `file` that no other file has yet, within the name limit.
// It holds the number of the process that made it, so that one left by a save that was killed
// can be told from one a running save still writes.
QString temporaryFile(const QString &file);

// Removes the temporary files of saves to `file` that were killed or failed and could not clean
// up: the process that made one is not running any more (or is this one, which saves one file
// at a time). Nothing else is touched.
void clearLeftTemporaries(FileLayer &files, const QString &file);

} // namespace brackwell
