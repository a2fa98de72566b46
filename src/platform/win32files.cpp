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

// Puts the finished file in place: ReplaceFileW where the target exists, MoveFileExW where it does
// not; 0 or the last error.
DWORD place(const std::wstring &target, const std::wstring &finished, const std::wstring &backup, bool targetExists,
            const PlaceCalls &calls)
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

std::wstring parkedName(const std::wstring &finished)
{
    return finished + L".old";
}

unsigned long placeFile(const std::wstring &target, const std::wstring &finished, const PlaceCalls &calls)
{
    const bool targetExists = GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES;
    return place(target, finished, parkedName(finished), targetExists, calls);
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
