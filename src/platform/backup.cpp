#include "platform/backup.h"

#include <QCryptographicHash>
#include <QDir>

namespace brackwell {

QString backupFile(const QString &file)
{
    return file + QStringLiteral(".bak");
}

QString writeRecordKey(const QString &file)
{
#ifdef Q_OS_WIN
    return QDir::cleanPath(file).toCaseFolded(); // one file, whatever capitals name it
#else
    return QDir::cleanPath(file);
#endif
}

QByteArray contentHash(QByteArrayView bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

QString backupFailureMessage(const QString &file, const QString &reason)
{
    return QStringLiteral("\"%1\" was not replaced: its copy \"%2\" could not be made. %3")
        .arg(QDir::toNativeSeparators(file), QDir::toNativeSeparators(backupFile(file)), reason);
}

} // namespace brackwell
