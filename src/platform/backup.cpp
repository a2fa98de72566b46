#include "platform/backup.h"

#include <QDir>

namespace brackwell {

QString backupFile(const QString &file)
{
    return file + QStringLiteral(".bak");
}

QString BackupLog::key(const QString &file)
{
#ifdef Q_OS_WIN
    return QDir::cleanPath(file).toCaseFolded(); // one file, whatever capitals name it
#else
    return QDir::cleanPath(file);
#endif
}

QString backupFailureMessage(const QString &file, const QString &reason)
{
    return QStringLiteral("\"%1\" was not replaced: its copy \"%2\" could not be made. %3")
        .arg(QDir::toNativeSeparators(file), QDir::toNativeSeparators(backupFile(file)), reason);
}

} // namespace brackwell
