#pragma once

#include "platform/filelayer.h"
#include "platform/files.h"
#include "platform/gamefolders.h"
#include "platform/keptsettings.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace brackwell {

// What the program asks of the machine besides its windows: files, what it keeps between runs,
// and the user's folders. Tests put a machine of temporary folders behind it whose files can fail.
class Machine
{
public:
    virtual ~Machine() = default;

    virtual FileLayer &files() = 0;
    virtual KeptSettings &settings() = 0;
    // A config file for opening it, or why not (see readFileBounded).
    virtual FileRead readFile(const QString &path, qint64 maxBytes) = 0;
    // The root of the drive the program runs on, the user's home and Documents folders.
    virtual GamePlaces places() = 0;
    // Whether a new file can be made in the existing `folder` (a game folder below Program Files
    // is read-only without administrator rights). Leaves nothing behind.
    virtual bool canCreateFilesIn(const QString &folder) = 0;
};

// This machine.
Machine &systemMachine();

// The folders the one-click save tries here, in its order.
QStringList gameFolders(Machine &machine);
// The folder the one-click save would write into if the user clicked now: the first of the game's
// folders that exists and takes a new file. Asked afresh each time: a game installed while the
// program runs is found.
GameFolderChoice oneClickChoice(Machine &machine);
// The first of the game's folders that exists, without trying whether it takes files: opening
// and the dialogs touch nothing on the disk.
std::optional<QString> firstGameFolder(Machine &machine);

} // namespace brackwell
