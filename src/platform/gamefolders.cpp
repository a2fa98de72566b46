#include "platform/gamefolders.h"

#include <QFileInfo>

namespace brackwell {

namespace {

// `relative` below `base`, or nothing when the place is unknown.
QString below(const QString &base, const char *relative)
{
    if (base.isEmpty())
        return {};
    return base.endsWith(u'/') ? base + QLatin1StringView(relative) : base + u'/' + QLatin1StringView(relative);
}

} // namespace

QStringList gameFolderCandidates(const GamePlaces &places, Platform platform)
{
    QStringList folders{below(places.driveRoot, "Program Files/Wolfenstein - Enemy Territory/etmain")};
    if (platform == Platform::Windows)
        folders << below(places.driveRoot, "Program Files (x86)/Wolfenstein - Enemy Territory/etmain");
    // The maintained client reads its own "legacy" folder before "etmain", installed as a Flatpak
    // in the home the sandbox gives it; the original Linux release kept its files in ~/.etwolf.
    if (platform == Platform::Windows)
        folders << below(places.documents, "ETLegacy/legacy") << below(places.documents, "ETLegacy/etmain");
    else
        folders << below(places.home, ".etlegacy/legacy") << below(places.home, ".etlegacy/etmain")
                << below(places.home, ".var/app/com.etlegacy.ETLegacy/.etlegacy/legacy")
                << below(places.home, ".var/app/com.etlegacy.ETLegacy/.etlegacy/etmain")
                << below(places.home, ".etwolf/etmain");
    folders.removeAll(QString());
    return folders;
}

GameFolderChoice chooseGameFolder(const QStringList &folders, const std::function<bool(const QString &)> &takesNewFiles)
{
    GameFolderChoice choice;
    for (const QString &folder : folders) {
        if (!QFileInfo(folder).isDir())
            continue;
        if (takesNewFiles(folder)) {
            choice.folder = folder;
            choice.refused.clear();
            return choice;
        }
        if (choice.refused.isEmpty())
            choice.refused = folder;
    }
    return choice;
}

QString oneClickFile(const QString &folder)
{
    return below(folder, oneClickFileName);
}

QString withConfigSuffix(const QString &chosen)
{
    const QString suffix = u'.' + QLatin1StringView(configSuffix);
    return chosen.endsWith(suffix, Qt::CaseInsensitive) ? chosen : chosen + suffix;
}

} // namespace brackwell
