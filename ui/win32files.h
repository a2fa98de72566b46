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

// Writes `size` bytes into a new file named by `temporaryName` (asked again while a name is taken)
// that replaces `target` only once every byte is on the disk. A failure leaves `target` as it was
// and no temporary file behind.
std::optional<Failure> replaceFile(const std::wstring &target, const char *data, std::size_t size,
                                   const std::function<std::wstring()> &temporaryName);

// The root of the current folder's drive: "C:\" or "\\server\share\"; empty when the system does not say.
std::wstring currentDriveRoot();

// The one-click save's code for a system error number, 0 where it names none.
int oneClickCode(unsigned long error);

// Connects the C runtime's standard output and error to where a program started from a terminal
// expects them: a file or pipe it inherited stays; otherwise the console of the process that
// started it, if any. False when the output leads nowhere (started from the desktop).
bool attachStandardOutput();

} // namespace brackwell::win32
