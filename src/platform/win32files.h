#pragma once

// The Windows side of the desktop's file work and console, in standard C++ and the Windows API
// alone. tools/dev.sh windows builds it into the program and tests it under Wine.

#include <functional>
#include <optional>
#include <string>

namespace brackwell::win32 {

// The calls that put a finished file in the target's place, each answering 0 or the system's error
// number. Tests put in calls that refuse, as a virus scanner or the search indexer does for a moment
// right after a file is written.
struct PlaceCalls {
    // The target exists: takes its place and keeps the target's attributes and access list. The
    // target goes to `backup` on the way, so that a replace that fails half-way leaves it there
    // rather than nowhere.
    std::function<unsigned long(const std::wstring &target, const std::wstring &finished, const std::wstring &backup)>
        replaceExisting;
    // No target yet: gives the finished file its name.
    std::function<unsigned long(const std::wstring &target, const std::wstring &finished)> moveNew;
    std::function<void(unsigned milliseconds)> wait;
};
// ReplaceFileW, MoveFileExW and Sleep.
PlaceCalls systemPlaceCalls();

// Where placeFile parks the target on the way: beside the finished file.
std::wstring parkedName(const std::wstring &finished);

// Gives the finished file the name `target`, replacing a file there, in one step as far as the
// system allows. A target that is held open for a moment is tried again for about a second. A
// failure leaves the target as it was and the finished file under its own name; where the system
// gave the old file up half-way and it cannot be put back, the new one takes the name, and where
// neither can, the old one stays under parkedName(finished): never is neither file left.
unsigned long placeFile(const std::wstring &target, const std::wstring &finished,
                        const PlaceCalls &calls = systemPlaceCalls());

// The root of the current folder's drive: "C:\" or "\\server\share\"; empty when the system does not say.
std::wstring currentDriveRoot();

// The one-click save's code for a system error number, 0 where it names none.
int oneClickCode(unsigned long error);

// Connects the C runtime's standard output and error to where a program started from a terminal
// expects them: a file or pipe it inherited stays; otherwise the console of the process that
// started it, if any. False when the output leads nowhere (started from the desktop).
bool attachStandardOutput();

} // namespace brackwell::win32
