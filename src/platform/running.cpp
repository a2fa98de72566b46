#include "platform/running.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
#include <windows.h>
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

} // namespace brackwell
