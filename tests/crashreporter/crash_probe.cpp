// Stands in for Korvane in the crash tests: installs Korvane's crash filter,
// writes "<process id> <crashing thread id>" to the report file, then
// crashes the way it is asked to.
//   crash_probe <access|worker|overflow|throw> <report file>
#include "crash_filter.h"

#include <cstdio>
#include <cwchar>
#include <stdexcept>

namespace {

const wchar_t* reportPath;
const wchar_t* mode;

void Report()
{
    FILE* f = _wfopen(reportPath, L"w");
    if (!f)
        return;
    fprintf(f, "%lu %lu\n", GetCurrentProcessId(), GetCurrentThreadId());
    fclose(f);
}

// Wine cannot deliver a real stack overflow to any filter (its dispatcher
// needs more than the one page left), so the probe does what the system
// does: it uses its stack up to the last pages and calls the filter there
// with a stack-overflow record.
// The never-committed last page, the guard page and one page to work in.
constexpr uintptr_t kStackLeft = 3 * 4096;
uintptr_t stackBottom;
CONTEXT overflowContext;
EXCEPTION_RECORD overflowRecord;
EXCEPTION_POINTERS overflowPointers{&overflowRecord, &overflowContext};

__attribute__((noinline)) void OverflowAndCrash()
{
    volatile char frame[256];
    frame[0] = 1;
    if (reinterpret_cast<uintptr_t>(frame) - stackBottom > kStackLeft) {
        OverflowAndCrash();
    } else {
        RtlCaptureContext(&overflowContext);
        overflowRecord.ExceptionCode = EXCEPTION_STACK_OVERFLOW;
        overflowRecord.ExceptionAddress = reinterpret_cast<void*>(&OverflowAndCrash);
        CrashReportFilter(&overflowPointers);
    }
    frame[0] = 2;
}

DWORD WINAPI OverflowThread(void*)
{
    MEMORY_BASIC_INFORMATION stack{};
    VirtualQuery(&stack, &stack, sizeof stack);
    stackBottom = reinterpret_cast<uintptr_t>(stack.AllocationBase);
    Report();
    OverflowAndCrash();
    ExitProcess(EXCEPTION_STACK_OVERFLOW);  // as the system's handling would
}

void Crash()
{
    Report();
    if (wcscmp(mode, L"throw") == 0)
        throw std::runtime_error("nobody catches this");
    volatile int* volatile nowhere = nullptr;
    *nowhere = 1;
}

DWORD WINAPI Worker(void*)
{
    Crash();
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 3)
        return 1;
    mode = argv[1];
    reportPath = argv[2];
    InstallCrashReportFilter();
    const bool overflow = wcscmp(mode, L"overflow") == 0;
    if (overflow || wcscmp(mode, L"worker") == 0) {
        HANDLE worker = CreateThread(nullptr, 0, overflow ? OverflowThread : Worker, nullptr, 0, nullptr);
        WaitForSingleObject(worker, INFINITE);
        return 0;
    }
    Crash();
    return 0;
}
