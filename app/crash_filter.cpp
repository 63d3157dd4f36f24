#include "crash_filter.h"

#include <shlwapi.h>

#include <cstdlib>
#include <exception>

namespace {

// The filter runs in a crashed process, possibly on a thread whose stack has
// overflowed: static buffers, no heap, no C runtime formatting or locks.
constexpr size_t kChars = 2048;
wchar_t ownPath[kChars];
wchar_t reporterPath[kChars];
wchar_t folder[kChars];
wchar_t commandLine[kChars];

// The thread that owns the filter; 0 while nobody does.
volatile LONG filterOwner = 0;
DWORD crashedThread;
EXCEPTION_POINTERS* crashPointers;

// A bounded text being built; `ok` turns false once something did not fit.
struct Text {
    wchar_t* buffer;
    size_t length;
    bool ok;

    void add(const wchar_t* text, size_t count)
    {
        if (!ok || count >= kChars - length) {
            ok = false;
            return;
        }
        for (size_t i = 0; i < count; ++i)
            buffer[length++] = text[i];
        buffer[length] = L'\0';
    }
    void add(const wchar_t* text) { add(text, static_cast<size_t>(lstrlenW(text))); }
    void add(unsigned long long value)
    {
        constexpr size_t kDigits = 20;  // enough for 2^64 - 1
        wchar_t digits[kDigits];
        size_t first = kDigits;
        do
            digits[--first] = static_cast<wchar_t>(L'0' + value % 10);
        while ((value /= 10) != 0);
        add(digits + first, kDigits - first);
    }
};

void LaunchReporter()
{
    DWORD length = GetModuleFileNameW(nullptr, ownPath, kChars);
    if (length == 0 || length >= kChars)
        return;  // nothing, or cut short
    // The folder, drive included, with its closing backslash.
    size_t folderLength = length;
    while (folderLength > 0 && ownPath[folderLength - 1] != L'\\' && ownPath[folderLength - 1] != L'/')
        --folderLength;
    if (folderLength == 0)
        return;

    Text dir{folder, 0, true};
    dir.add(ownPath, folderLength);
    Text reporter{reporterPath, 0, true};
    reporter.add(folder);
    reporter.add(L"pellisk.exe");
    if (!reporter.ok || !PathFileExistsW(reporterPath))
        return;

    // Numbers at pointer width: the same digits as "%u" on 32-bit Windows.
    Text command{commandLine, 0, true};
    command.add(L"\"");
    command.add(reporterPath);
    command.add(L"\" ");
    command.add(crashedThread);
    command.add(L" ");
    command.add(GetCurrentProcessId());
    command.add(L" ");
    command.add(static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(crashPointers)));
    if (!command.ok)
        return;

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(reporterPath, commandLine, nullptr, nullptr, FALSE, 0, nullptr, folder, &startup, &process))
        return;
    CloseHandle(process.hThread);
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hProcess);
}

DWORD WINAPI LaunchReporterThread(void*)
{
    LaunchReporter();
    return 0;
}

[[noreturn]] void RaiseUncaught()
{
    RaiseException(kUncaughtCppException, EXCEPTION_NONCONTINUABLE, 0, nullptr);
    std::abort();
}

}  // namespace

#ifndef _WIN64
static_assert(sizeof(STARTUPINFOW) == 68);
#endif

LONG WINAPI CrashReportFilter(EXCEPTION_POINTERS* info)
{
    const DWORD self = GetCurrentThreadId();
    const LONG owner = InterlockedCompareExchange(&filterOwner, static_cast<LONG>(self), 0);
    if (owner != 0) {
        // A fault inside the filter itself goes on to the default handling;
        // another thread's crash waits while the first one is reported (the
        // process ends after it).
        if (owner == static_cast<LONG>(self))
            return EXCEPTION_CONTINUE_SEARCH;
        Sleep(INFINITE);
    }
    crashedThread = self;
    crashPointers = info;
    if (info && info->ExceptionRecord && info->ExceptionRecord->ExceptionCode == EXCEPTION_STACK_OVERFLOW) {
        // Too little stack is left to start a process from here.
        HANDLE thread = CreateThread(nullptr, 64 * 1024, LaunchReporterThread, nullptr, 0, nullptr);
        if (thread) {
            WaitForSingleObject(thread, INFINITE);
            CloseHandle(thread);
        }
    } else {
        LaunchReporter();
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

void InstallCrashReportFilter()
{
    SetUnhandledExceptionFilter(CrashReportFilter);
    // Under this toolchain an uncaught C++ exception ends in std::terminate,
    // which never reaches the filter; raise it as a structured exception.
    std::set_terminate(RaiseUncaught);
}
