#include "platform/gameconfigs.h"

#include <QDir>
#include <QFileInfo>

namespace brackwell {

QStringList gameConfigFolders(const QStringList &gameFolders)
{
    QStringList folders;
    for (const QString &folder : gameFolders) {
        if (!QFileInfo(folder).isDir())
            continue;
        folders << folder;
        const QDir profiles(QDir(folder).filePath(QStringLiteral("profiles")));
        const QStringList names = profiles.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        for (const QString &name : names)
            folders << profiles.filePath(name);
    }
    return folders;
}

QString noGameFolderDetails(const QStringList &gameFolders)
{
    QString details = QStringLiteral("The one-click save writes autoexec.cfg into the first of these folders that "
                                     "exists, and none does here:\n");
    for (const QString &folder : gameFolders)
        details += QDir::toNativeSeparators(folder) + u'\n';
    return details + QStringLiteral("\nTo save the config anywhere else, use \"Manually Select Save Destination\".");
}

} // namespace brackwell
