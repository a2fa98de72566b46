#include "platform/filelayer.h"

#include "platform/win32files.h"

#include <QDir>
#include <QFileInfo>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>

namespace brackwell {

namespace fileErrors {
const SystemError missing = ERROR_FILE_NOT_FOUND;
const SystemError accessDenied = ERROR_ACCESS_DENIED;
const SystemError diskFull = ERROR_DISK_FULL;
const SystemError quotaExceeded = 1295; // ERROR_DISK_QUOTA_EXCEEDED, which not every SDK declares
const SystemError tooLarge = ERROR_FILE_TOO_LARGE;
const SystemError ioError = ERROR_WRITE_FAULT;
const SystemError isFolder = ERROR_ACCESS_DENIED; // what Windows answers a write to a folder
const SystemError exists = ERROR_FILE_EXISTS;
} // namespace fileErrors

namespace {

// A path the wide calls take whatever its length: past MAX_PATH only with the "\\?\" prefix.
std::wstring native(const QString &path)
{
    QString full = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    if (full.size() >= MAX_PATH - 12 && !full.startsWith(QStringLiteral("\\\\?\\")))
        full = full.startsWith(QStringLiteral("\\\\")) ? QStringLiteral("\\\\?\\UNC\\") + full.mid(2)
                                                        : QStringLiteral("\\\\?\\") + full;
    return full.toStdWString();
}

SystemError lastError(BOOL done)
{
    return done ? 0 : SystemError(GetLastError());
}

HANDLE handleOf(FileLayer::Handle file)
{
    return reinterpret_cast<HANDLE>(file);
}

// The target's attributes that a file made in its place takes on.
DWORD keptAttributes(quint32 attributes)
{
    const DWORD kept = attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
    return kept ? kept : FILE_ATTRIBUTE_NORMAL;
}

QByteArray identityOf(const std::wstring &path, bool followLink)
{
    const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (followLink ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
    const HANDLE file = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, flags, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    BY_HANDLE_FILE_INFORMATION info = {};
    QByteArray identity;
    if (GetFileInformationByHandle(file, &info))
        identity = QByteArray::number(quint64(info.dwVolumeSerialNumber)) + ':' +
                   QByteArray::number((quint64(info.nFileIndexHigh) << 32) | info.nFileIndexLow);
    CloseHandle(file);
    return identity;
}

class Win32FileLayer final : public FileLayer
{
public:
    SystemError inspect(const QString &path, FileFacts &facts, bool followLink) override
    {
        facts = {};
        const std::wstring name = native(path);
        WIN32_FILE_ATTRIBUTE_DATA data = {};
        if (!GetFileAttributesExW(name.c_str(), GetFileExInfoStandard, &data)) {
            const DWORD error = GetLastError();
            return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? 0 : SystemError(error);
        }
        const DWORD attributes = data.dwFileAttributes;
        if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) && !followLink)
            facts.kind = FileFacts::Kind::Link;
        else if (attributes & FILE_ATTRIBUTE_DIRECTORY)
            facts.kind = FileFacts::Kind::Folder;
        else if (attributes & FILE_ATTRIBUTE_DEVICE)
            facts.kind = FileFacts::Kind::Other;
        else
            facts.kind = FileFacts::Kind::File;
        facts.size = qint64((quint64(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
        facts.readOnly = facts.kind == FileFacts::Kind::File && (attributes & FILE_ATTRIBUTE_READONLY);
        facts.rights = attributes;
        ULARGE_INTEGER written;
        written.LowPart = data.ftLastWriteTime.dwLowDateTime;
        written.HighPart = data.ftLastWriteTime.dwHighDateTime;
        // 100-nanosecond steps since 1601.
        facts.modified = QDateTime::fromMSecsSinceEpoch(qint64(written.QuadPart / 10000) - 11644473600000LL, Qt::UTC);
        facts.identity = identityOf(name, followLink);
        return 0;
    }

    SystemError createNew(const QString &path, quint32 rights, Handle &file) override
    {
        const HANDLE made = CreateFileW(native(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        rights ? keptAttributes(rights) : FILE_ATTRIBUTE_NORMAL, nullptr);
        if (made == INVALID_HANDLE_VALUE)
            return SystemError(GetLastError());
        file = reinterpret_cast<Handle>(made);
        return 0;
    }

    SystemError openToRead(const QString &path, Handle &file) override
    {
        const HANDLE opened = CreateFileW(native(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (opened == INVALID_HANDLE_VALUE)
            return SystemError(GetLastError());
        if (GetFileType(opened) != FILE_TYPE_DISK) {
            CloseHandle(opened);
            return ERROR_INVALID_FUNCTION;
        }
        file = reinterpret_cast<Handle>(opened);
        return 0;
    }

    SystemError read(Handle file, char *data, qint64 size, qint64 &got) override
    {
        DWORD n = 0;
        const DWORD chunk = DWORD(std::min<qint64>(size, 1 << 30));
        if (!ReadFile(handleOf(file), data, chunk, &n, nullptr))
            return SystemError(GetLastError());
        got = n;
        return 0;
    }

    SystemError write(Handle file, const char *data, qint64 size, qint64 &written) override
    {
        DWORD n = 0;
        const DWORD chunk = DWORD(std::min<qint64>(size, 1 << 30));
        if (!WriteFile(handleOf(file), data, chunk, &n, nullptr))
            return SystemError(GetLastError());
        written = n;
        return n == 0 && size > 0 ? SystemError(ERROR_DISK_FULL) : 0;
    }

    SystemError flush(Handle file) override { return lastError(FlushFileBuffers(handleOf(file))); }
    SystemError close(Handle file) override { return lastError(CloseHandle(handleOf(file))); }

    SystemError rename(const QString &from, const QString &to) override
    {
        // ReplaceFileW keeps the replaced file's attributes and access list, and rides over a
        // scanner's hold for a moment.
        return SystemError(win32::placeFile(native(to), native(from)));
    }

    QString parkedBy(const QString &from) const override
    {
        return QDir::fromNativeSeparators(QString::fromStdWString(win32::parkedName(from.toStdWString())));
    }

    SystemError remove(const QString &path) override { return lastError(DeleteFileW(native(path).c_str())); }

    SystemError syncFolder(const QString &) override
    {
        return 0; // MoveFileExW and ReplaceFileW have put the name on the disk
    }

    SystemError list(const QString &folder, QStringList &names) override
    {
        names.clear();
        WIN32_FIND_DATAW found = {};
        const HANDLE search = FindFirstFileW(native(QDir(folder).filePath(QStringLiteral("*"))).c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            return error == ERROR_FILE_NOT_FOUND ? 0 : SystemError(error);
        }
        do {
            const QString name = QString::fromWCharArray(found.cFileName);
            if (name != u"." && name != u"..")
                names << name;
        } while (FindNextFileW(search, &found));
        FindClose(search);
        return 0;
    }

    QString describe(SystemError error) const override
    {
        wchar_t *text = nullptr;
        const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                                FORMAT_MESSAGE_IGNORE_INSERTS,
                                            nullptr, DWORD(error), 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
        const QString described = length ? QString::fromWCharArray(text, int(length)).trimmed()
                                         : QStringLiteral("Error %1").arg(error);
        LocalFree(text);
        return described;
    }

    int oneClickCode(SystemError error) const override { return win32::oneClickCode(DWORD(error)); }

    bool refusesNewFiles(SystemError error) const override
    {
        return error == ERROR_ACCESS_DENIED || error == ERROR_WRITE_PROTECT;
    }
};

} // namespace

FileLayer &systemFileLayer()
{
    static Win32FileLayer layer;
    return layer;
}

} // namespace brackwell
