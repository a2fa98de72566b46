#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace brackwell {

// The copy kept of a file before a save replaces it: beside it, with ".bak" added.
QString backupFile(const QString &file);

// What Brackwell wrote to a file, as a key and a hash kept between runs: a file whose bytes still
// hash so is Brackwell's own output and is replaced without a copy; any other version (the
// player's, the game's) is copied first, so the last of those is always in the copy.
QByteArray contentHash(QByteArrayView bytes);
// `file` is the file itself, not a link to it: two ways to one file share one record.
QString writeRecordKey(const QString &file);

// Why a save stopped before it replaced `file`: its copy could not be made, for `reason`.
QString backupFailureMessage(const QString &file, const QString &reason);

} // namespace brackwell
