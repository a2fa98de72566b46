#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace brackwell {

// The places below which the game keeps its folders, as the desktop names them on this machine.
struct GamePlaces {
    QString driveRoot; // the root of the drive the program runs on: "/", "C:/"
    QString home;      // the user's home folder
    QString documents; // the user's Documents folder
};

enum class Platform { Windows, Unix };
#ifdef Q_OS_WIN
inline constexpr Platform hostPlatform = Platform::Windows;
#else
inline constexpr Platform hostPlatform = Platform::Unix;
#endif

// The folders the one-click save may write into, in the order it tries them: the game's default
// installation below the drive root first (on 64-bit Windows the original game installs below
// "Program Files (x86)", tried next), so that wherever it exists nothing else is looked at; then
// the folders in the user's own files where the game reads its config on `platform`. A place
// left empty adds no folder: a relative path would land wherever the program was started.
QStringList gameFolderCandidates(const GamePlaces &places, Platform platform);

// The one-click save's folder: the first of `folders` that exists as a folder right now (a file
// of that name does not count) and in which `takesNewFiles` can make a file. An installation
// folder only an administrator may write into is passed over for the user's own folders.
struct GameFolderChoice {
    std::optional<QString> folder;
    // When no folder was chosen: the first that exists but refused a new file, else empty.
    QString refused;
};
GameFolderChoice chooseGameFolder(const QStringList &folders,
                                  const std::function<bool(const QString &)> &takesNewFiles);

// The file the one-click save writes in the folder it chose.
inline constexpr char oneClickFileName[] = "autoexec.cfg";
QString oneClickFile(const QString &folder);

// The name the save-file dialog opens with, and the suffix every config file gets.
inline constexpr char dialogFileName[] = "autoexec";
inline constexpr char configSuffix[] = "cfg";

// The file a name chosen in the save-file dialog is written to: ".cfg" is added unless the name
// already ends in it, in any capitals.
QString withConfigSuffix(const QString &chosen);

} // namespace brackwell
