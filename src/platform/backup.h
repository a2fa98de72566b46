#pragma once

#include <QSet>
#include <QString>

namespace brackwell {

// The copy kept of a file before a save replaces it: beside it, with ".bak" added.
QString backupFile(const QString &file);

// The files the saves of this run have copied. The copy holds a file as it was before the first
// save of the run replaced it: later saves leave it alone, so a second save cannot put Brackwell's
// own output over the player's file.
class BackupLog
{
public:
    // `file` is the file itself, not a link to it: two ways to one file share one copy.
    bool needsCopy(const QString &file) const { return !m_copied.contains(key(file)); }
    void copied(const QString &file) { m_copied.insert(key(file)); }

private:
    static QString key(const QString &file);
    QSet<QString> m_copied;
};

// Why a save stopped before it replaced `file`: its copy could not be made, for `reason`.
QString backupFailureMessage(const QString &file, const QString &reason);

} // namespace brackwell
