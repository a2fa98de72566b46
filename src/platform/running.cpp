#include "platform/running.h"

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <cerrno>
#include <csignal>
#include <unistd.h>
#endif

namespace brackwell {

void markProgramRunning()
{
#ifdef Q_OS_WIN
    // Never closed: the handle is the mark, and the system closes it with the process.
    static const HANDLE mark = CreateMutexW(nullptr, FALSE, runningMarkName);
    Q_UNUSED(mark);
#endif
}

qint64 thisProcess()
{
#ifdef Q_OS_WIN
    return qint64(GetCurrentProcessId());
#else
    return qint64(::getpid());
#endif
}

bool processRunning(qint64 process)
{
    if (process <= 0)
        return false;
#ifdef Q_OS_WIN
    const HANDLE handle = OpenProcess(SYNCHRONIZE, FALSE, DWORD(process));
    if (!handle)
        return GetLastError() == ERROR_ACCESS_DENIED; // another user's process
    const bool running = WaitForSingleObject(handle, 0) == WAIT_TIMEOUT;
    CloseHandle(handle);
    return running;
#else
    return ::kill(pid_t(process), 0) == 0 || errno == EPERM;
#endif
}

} // namespace brackwell
