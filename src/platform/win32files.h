#pragma once

// The Windows side of the desktop's file work and console, in standard C++ and the Windows API
// alone. tools/dev.sh windows builds it into the program and tests it under Wine.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

namespace brackwell::win32 {

struct Failure {
    enum class Step {
        Create, // the file could not be made or put in place
        Write,  // not every byte reached the disk
    };
    Step step = Step::Create;
    unsigned long error = 0; // the system's error number
};

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

// Writes `size` bytes into a new file named by `temporaryName` (asked again while a name is taken)
// that replaces `target` only once every byte is on the disk. A target that is held open for a
// moment is tried again for about a second. A failure leaves `target` as it was and no temporary
// file behind; where the system gave the old file up half-way and it cannot be put back, the new one
// takes the name, and where neither can, the new one stays under its temporary name: never is
// neither file left.
std::optional<Failure> replaceFile(const std::wstring &target, const char *data, std::size_t size,
                                   const std::function<std::wstring()> &temporaryName,
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
