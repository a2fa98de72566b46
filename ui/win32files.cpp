#include "ui/win32files.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <cstdio>

namespace brackwell::win32 {

namespace {

constexpr int nameAttempts = 100;

} // namespace

std::optional<Failure> replaceFile(const std::wstring &target, const char *data, std::size_t size,
                                   const std::function<std::wstring()> &temporaryName)
{
    // A read-only file is refused before anything is written. Windows would refuse to replace it
    // only at the end, and not every file system that maps the attribute refuses at all.
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
        !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return Failure{Failure::Step::Create, ERROR_ACCESS_DENIED};

    HANDLE file = INVALID_HANDLE_VALUE;
    std::wstring tempName;
    for (int attempt = 1; file == INVALID_HANDLE_VALUE; ++attempt) {
        tempName = temporaryName();
        file = CreateFileW(tempName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            if (error != ERROR_FILE_EXISTS || attempt == nameAttempts)
                return Failure{Failure::Step::Create, error};
        }
    }
    const auto abandon = [&](Failure::Step step, DWORD error) {
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
        DeleteFileW(tempName.c_str());
        return Failure{step, error};
    };

    std::size_t left = size;
    while (left > 0) {
        DWORD written = 0;
        const DWORD chunk = DWORD(std::min<std::size_t>(left, 1 << 30));
        if (!WriteFile(file, data, chunk, &written, nullptr))
            return abandon(Failure::Step::Write, GetLastError());
        if (written == 0)
            return abandon(Failure::Step::Write, ERROR_DISK_FULL);
        data += written;
        left -= written;
    }
    if (!FlushFileBuffers(file))
        return abandon(Failure::Step::Write, GetLastError());
    const BOOL closed = CloseHandle(file);
    file = INVALID_HANDLE_VALUE;
    if (!closed)
        return abandon(Failure::Step::Write, GetLastError());
    if (!MoveFileExW(tempName.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return abandon(Failure::Step::Create, GetLastError());
    return std::nullopt;
}

std::wstring currentDriveRoot()
{
    // The system's own answer for a rooted path without a drive.
    wchar_t root[MAX_PATH];
    const DWORD length = GetFullPathNameW(L"\\", MAX_PATH, root, nullptr);
    if (length > 0 && length < MAX_PATH)
        return std::wstring(root, length);
    return {};
}

int oneClickCode(unsigned long error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND: return 2;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_DIRECTORY: return 3;
    case ERROR_TOO_MANY_OPEN_FILES: return 4;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT: return 5;
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_DISK_FULL:
    case 1295: return 101; // ERROR_DISK_QUOTA_EXCEEDED, which not every SDK declares
    default: return 0;
    }
}

bool attachStandardOutput()
{
    const auto leadsSomewhere = [](DWORD which) {
        const HANDLE handle = GetStdHandle(which);
        return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN;
    };
    // Redirected output: the C runtime already writes to the inherited handle.
    if (leadsSomewhere(STD_OUTPUT_HANDLE))
        return true;
    // A program of the Windows subsystem gets no console; the terminal it was started from has one.
    if (!AttachConsole(ATTACH_PARENT_PROCESS))
        return false;
    if (!std::freopen("CONOUT$", "w", stdout))
        return false;
    // The error output follows unless it was redirected on its own; losing it loses no answer.
    if (!leadsSomewhere(STD_ERROR_HANDLE))
        static_cast<void>(std::freopen("CONOUT$", "w", stderr));
    return true;
}

} // namespace brackwell::win32
