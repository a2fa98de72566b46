#include "platform/filelayer.h"

#include <QDir>
#include <QFileInfo>

namespace brackwell {

QString FileLayer::resolve(const QString &path) const
{
    const QFileInfo info(path);
    if (info.exists())
        return info.canonicalFilePath();
    // Not there yet: its folder, links resolved, and its own name.
    const QString folder = info.absoluteDir().canonicalPath();
    return folder.isEmpty() || info.isSymLink() ? QString() : QDir(folder).filePath(info.fileName());
}

} // namespace brackwell
