#include "platform/gameconfigs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cctype>

namespace brackwell {

namespace {

// profile.dat is one quoted name; anything larger is not the game's.
constexpr qint64 maxProfileDatSize = 4096;

QString readProfileName(const QDir &profile)
{
    QFile dat(profile.filePath(QStringLiteral("profile.dat")));
    QByteArray bytes;
    if (dat.open(QIODevice::ReadOnly))
        bytes = dat.read(maxProfileDatSize);
    return profileName(bytes, profile.dirName());
}

} // namespace

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

QList<GameConfigPlace> gameConfigPlaces(const QStringList &gameFolders)
{
    QList<GameConfigPlace> places;
    for (const QString &folder : gameFolders) {
        if (!QFileInfo(folder).isDir())
            continue;
        GameConfigPlace place{folder, {}};
        const QDir top(folder);
        // In any capitals: on Windows "Autoexec.CFG" is the same file to the game.
        const QFileInfoList configs = top.entryInfoList({QStringLiteral("*.cfg")}, QDir::Files, QDir::Name);
        for (const QFileInfo &config : configs)
            place.files.append({config.filePath(), {}, config.lastModified()});
        const QDir profiles(top.filePath(QStringLiteral("profiles")));
        const QStringList names = profiles.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        for (const QString &name : names) {
            const QDir profile(profiles.filePath(name));
            const QFileInfo config(profile.filePath(QStringLiteral("etconfig.cfg")));
            if (config.isFile())
                place.files.append({config.filePath(), readProfileName(profile), config.lastModified()});
        }
        // Stable: files of the same time keep the order by name.
        std::stable_sort(place.files.begin(), place.files.end(),
                         [](const GameConfigFile &a, const GameConfigFile &b) { return a.modified > b.modified; });
        places.append(place);
    }
    return places;
}

QString profileName(const QByteArray &profileDat, const QString &folderName)
{
    // The game reads the file's first token: a quoted string, or a word up to white space.
    const QByteArray text = profileDat.trimmed();
    QByteArray token;
    if (text.startsWith('"')) {
        const qsizetype end = text.indexOf('"', 1);
        token = text.mid(1, end < 0 ? -1 : end - 1);
    } else {
        qsizetype end = 0;
        while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end])))
            ++end;
        token = text.left(end);
    }
    // "^" and the character after it set a colour, unless that is another "^" or a space.
    QByteArray name;
    for (qsizetype i = 0; i < token.size(); ++i) {
        const auto next = i + 1 < token.size() ? static_cast<unsigned char>(token[i + 1]) : 0;
        if (token[i] == '^' && next > ' ' && next != '^' && next != 0x7F) {
            ++i;
            continue;
        }
        if (static_cast<unsigned char>(token[i]) >= ' ' && token[i] != 0x7F)
            name += token[i];
    }
    const QString shown = QString::fromUtf8(name).trimmed();
    return shown.isEmpty() ? folderName : shown;
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
