#include "platform/machine.h"

#include "platform/safefiles.h"

#include <QDir>
#include <QStandardPaths>

#ifdef Q_OS_WIN
#include "platform/win32files.h"
#endif

namespace brackwell {

namespace {

class SystemMachine final : public Machine
{
public:
    FileLayer &files() override { return systemFileLayer(); }
    KeptSettings &settings() override { return systemSettings(); }
    FileRead readFile(const QString &path, qint64 maxBytes) override { return readFileBounded(path, maxBytes); }
    bool canCreateFilesIn(const QString &folder) override { return folderTakesNewFiles(files(), folder); }

    GamePlaces places() override
    {
        return {driveRoot(), QDir::homePath(), QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)};
    }

private:
    static QString driveRoot()
    {
#ifdef Q_OS_WIN
        const std::wstring root = win32::currentDriveRoot();
        return root.empty() ? QDir::rootPath() : QDir::fromNativeSeparators(QString::fromStdWString(root));
#else
        return QStringLiteral("/");
#endif
    }
};

} // namespace

Machine &systemMachine()
{
    static SystemMachine machine;
    return machine;
}

QStringList gameFolders(Machine &machine)
{
    return gameFolderCandidates(machine.places(), hostPlatform);
}

GameFolderChoice oneClickChoice(Machine &machine)
{
    return chooseGameFolder(gameFolders(machine), [&machine](const QString &folder) {
        return machine.canCreateFilesIn(folder);
    });
}

std::optional<QString> firstGameFolder(Machine &machine)
{
    return chooseGameFolder(gameFolders(machine), [](const QString &) { return true; }).folder;
}

} // namespace brackwell
