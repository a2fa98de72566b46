#include "platform/savemessages.h"

#include <QDir>

namespace brackwell {

QString oneClickFailureMessage(const WriteFailure &failure)
{
    switch (failure.code) {
    case 2: return QStringLiteral("File not found");
    case 3: return QStringLiteral("Invalid filename");
    case 4: return QStringLiteral("Too many open files");
    case 5: return QStringLiteral("File access denied");
    case 100: return QStringLiteral("Read beyond end of file");
    case 101: return QStringLiteral("Disk full");
    case 106: return QStringLiteral("Invalid numeric input");
    default: return QStringLiteral("I/O error %1").arg(failure.systemError);
    }
}

QString unwritableGameFolderMessage(const QString &folder)
{
    return QStringLiteral("File access denied: the game folder \"%1\" cannot be written. "
                          "Save with \"Manually Select Save Destination\" instead")
        .arg(QDir::toNativeSeparators(folder));
}

QString systemReason(const QString &description)
{
    QString reason = description;
    while (!reason.isEmpty() && (reason.back().isSpace() || reason.back() == u'.'))
        reason.chop(1);
    return reason;
}

WriteFailure noGameFolder()
{
    return {WriteFailure::Stage::Create, 3, 0, {}};
}

QString dialogFailureMessage(const QString &path, const WriteFailure &failure)
{
    if (failure.stage == WriteFailure::Stage::Write)
        return QLatin1StringView(streamWriteError);
    return QStringLiteral("Cannot create file \"%1\". %2")
        .arg(QDir::toNativeSeparators(path), systemReason(failure.description));
}

QString replaceQuestion(const QString &path)
{
    return QStringLiteral("%1 already exists.\nDo you want to replace it?").arg(QDir::toNativeSeparators(path));
}

} // namespace brackwell
