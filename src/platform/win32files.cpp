#include "platform/win32files.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace brackwell::win32 {

namespace {

constexpr int nameAttempts = 100;
// Tries to put the file in place: one after each wait, and a few turns between replacing and moving
// for a target deleted or made meanwhile.
constexpr int placeAttempts = 10;
// Waits between tries to put the file in place: about a second in all.
constexpr unsigned placeWaits[] = {100, 200, 300, 400};

// What a program that holds a file for a moment makes the system answer.
bool heldForAMoment(DWORD error)
{
    switch (error) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_ACCESS_DENIED: // a file that is being deleted, or a scanner's hold on some systems
    case ERROR_UNABLE_TO_REMOVE_REPLACED: return true;
    default: return false;
    }
}

// The target's attributes that the new file takes on. ReplaceFileW carries them over on Windows, but
// not every implementation does; MoveFileExW never does.
DWORD keptAttributes(DWORD targetAttributes)
{
    if (targetAttributes == INVALID_FILE_ATTRIBUTES)
        return FILE_ATTRIBUTE_NORMAL;
    const DWORD kept =
        targetAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
    return kept ? kept : FILE_ATTRIBUTE_NORMAL;
}

// Puts the finished file in place: ReplaceFileW where the target exists, MoveFileExW where it does
// not; 0 or the last error. `keepFinished` is set where the finished file holds the only copy of
// either version under no name of the target's: it must not be deleted.
DWORD place(const std::wstring &target, const std::wstring &finished, const std::wstring &backup, bool targetExists,
            const PlaceCalls &calls, bool &keepFinished)
{
    DWORD error = 0;
    std::size_t waited = 0;
    for (int attempt = 0; attempt < placeAttempts; ++attempt) {
        error = targetExists ? calls.replaceExisting(target, finished, backup) : calls.moveNew(target, finished);
        if (error == 0) {
            if (targetExists)
                DeleteFileW(backup.c_str()); // the old file, which the save no longer needs
            return 0;
        }
        if (targetExists && error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) {
            // The old file was moved to the backup name, the new one could not take its place: put
            // the old one back; failing that, the new one; failing both, keep both where they are.
            if (calls.moveNew(target, backup) == 0)
                return error;
            if (calls.moveNew(target, finished) == 0)
                return 0;
            keepFinished = true;
            return error;
        }
        if (targetExists && error == ERROR_FILE_NOT_FOUND) {
            targetExists = false; // deleted meanwhile
        } else if (!targetExists && (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS)) {
            targetExists = true; // made meanwhile
        } else if ((heldForAMoment(error) || error == ERROR_UNABLE_TO_MOVE_REPLACEMENT) &&
                   waited < std::size(placeWaits)) {
            // With a backup name given, a replacement that could not be renamed leaves both files
            // under their own names: the same as a hold.
            calls.wait(placeWaits[waited++]);
        } else {
            break;
        }
    }
    return error;
}

} // namespace

PlaceCalls systemPlaceCalls()
{
    const auto lastError = [](BOOL done) { return done ? DWORD(0) : GetLastError(); };
    return {
        [=](const std::wstring &target, const std::wstring &finished, const std::wstring &backup) {
            // Asks first whether the target may go: Wine's ReplaceFileW leaves a file of its own
            // beside a target that another program holds.
            const HANDLE held = CreateFileW(target.c_str(), DELETE,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                            OPEN_EXISTING, 0, nullptr);
            if (held == INVALID_HANDLE_VALUE)
                return GetLastError();
            CloseHandle(held);
            return lastError(ReplaceFileW(target.c_str(), finished.c_str(), backup.c_str(),
                                          REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS, nullptr,
                                          nullptr));
        },
        [=](const std::wstring &target, const std::wstring &finished) {
            return lastError(MoveFileExW(finished.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH));
        },
        [](unsigned milliseconds) { Sleep(milliseconds); },
    };
}

std::optional<Failure> replaceFile(const std::wstring &target, const char *data, std::size_t size,
                                   const std::function<std::wstring()> &temporaryName, const PlaceCalls &calls)
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
        file = CreateFileW(tempName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, keptAttributes(attributes),
                           nullptr);
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
    // The old file's name on the way out: beside the temporary file, a name no other file has.
    const std::wstring backup = tempName + L".old";
    bool keepFinished = false;
    if (const DWORD error = place(target, tempName, backup, attributes != INVALID_FILE_ATTRIBUTES, calls, keepFinished)) {
        if (keepFinished)
            return Failure{Failure::Step::Create, error};
        return abandon(Failure::Step::Create, error);
    }
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
