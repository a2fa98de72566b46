#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

namespace brackwell {

// The folders of `gameFolders` that exist here, each followed by the folders of its "profiles"
// folder, where the game keeps each player profile's own etconfig.cfg.
QStringList gameConfigFolders(const QStringList &gameFolders);

// A config file the game reads or writes in one of its folders.
struct GameConfigFile {
    QString path;
    // For a profile's etconfig.cfg, the profile's name as the game's menu shows it; else empty.
    QString profile;
    QDateTime modified;
};

// A game folder that exists here and its config files, newest first: every *.cfg at its top
// (autoexec.cfg among them) and the etconfig.cfg of each profile below "profiles".
struct GameConfigPlace {
    QString folder;
    QList<GameConfigFile> files;
};
QList<GameConfigPlace> gameConfigPlaces(const QStringList &gameFolders);

// A profile's name from its profile.dat (the name the player typed, in quotes, colour codes and
// all), without the colour codes; `folderName` where the file holds no name.
QString profileName(const QByteArray &profileDat, const QString &folderName);

// The details under the one-click save's "Invalid filename.": the folders it looked for, and the
// save that writes anywhere.
QString noGameFolderDetails(const QStringList &gameFolders);

} // namespace brackwell
