#pragma once

#include <QtGlobal>

namespace brackwell {

// The name of the mark a running program leaves on Windows: a mutex that the installer and the
// uninstaller (tools/windows/installer.nsi) look for, and wait on, before they replace or remove
// the program's files, which Windows keeps while the program runs.
inline constexpr wchar_t runningMarkName[] = L"BrackwellRunning";

// Leaves that mark for as long as the program runs; the system takes it away when the program
// ends, however it ends. Nothing elsewhere than on Windows.
void markProgramRunning();

// This process's number, and whether a process of that number runs on this machine now.
qint64 thisProcess();
bool processRunning(qint64 process);

} // namespace brackwell
