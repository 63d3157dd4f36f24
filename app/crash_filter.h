// Korvane's last-chance crash handling: start the crash reporter beside the
// program so the user can save a minidump, then let the system's default
// crash handling go on.
#pragma once

#include <windows.h>

// The code an uncaught C++ exception (or any other std::terminate) is raised
// with, so that it reaches the filter instead of ending in abort().
inline constexpr DWORD kUncaughtCppException = 0xE0000001;

// The unhandled-exception filter. Starts "pellisk.exe" from the program's
// folder with the crashing thread's id, the process id and the address of
// info (unsigned decimal), waits for it to end, and returns
// EXCEPTION_CONTINUE_SEARCH. Does nothing when the reporter is missing or
// cannot be started.
LONG WINAPI CrashReportFilter(EXCEPTION_POINTERS* info);

// Installs CrashReportFilter for the process and routes std::terminate to it.
void InstallCrashReportFilter();
