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

void Report() {
    FILE* f = _wfopen(reportPath, L"w");
    if (!f) return;
    fprintf(f, "%lu %lu\n", GetCurrentProcessId(), GetCurrentThreadId());
    fclose(f);
}

// Wine cannot deliver a real stack overflow to any filter (its dispatcher
// needs more than the one page left), so the probe does what the system
// does: it uses its stack up to the last pages and calls the filter there
// with a stack-overflow record.
constexpr size_t kStackReserve = 256 * 1024;
// The last page and the guard page, and one page as the system leaves it.
constexpr size_t kStackLeft = 3 * 4096;
uintptr_t stackTop;
CONTEXT overflowContext;
EXCEPTION_RECORD overflowRecord;
EXCEPTION_POINTERS overflowPointers{&overflowRecord, &overflowContext};

__attribute__((noinline)) void OverflowAndCrash() {
    volatile char frame[256];
    frame[0] = 1;
    if (stackTop - reinterpret_cast<uintptr_t>(frame) < kStackReserve - kStackLeft) {
        OverflowAndCrash();
    } else {
        RtlCaptureContext(&overflowContext);
        overflowRecord.ExceptionCode = EXCEPTION_STACK_OVERFLOW;
        overflowRecord.ExceptionAddress = reinterpret_cast<void*>(&OverflowAndCrash);
        CrashReportFilter(&overflowPointers);
    }
    frame[0] = 2;
}

DWORD WINAPI OverflowThread(void*) {
    volatile char top;
    stackTop = reinterpret_cast<uintptr_t>(&top);
    Report();
    OverflowAndCrash();
    ExitProcess(EXCEPTION_STACK_OVERFLOW);  // as the system's handling would
}

void Crash() {
    Report();
    if (wcscmp(mode, L"throw") == 0) throw std::runtime_error("nobody catches this");
    volatile int* volatile nowhere = nullptr;
    *nowhere = 1;
}

DWORD WINAPI Worker(void*) {
    Crash();
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) return 1;
    mode = argv[1];
    reportPath = argv[2];
    InstallCrashReportFilter();
    const bool overflow = wcscmp(mode, L"overflow") == 0;
    if (overflow || wcscmp(mode, L"worker") == 0) {
        HANDLE worker = CreateThread(nullptr, overflow ? kStackReserve : 0, overflow ? OverflowThread : Worker, nullptr,
                                     overflow ? STACK_SIZE_PARAM_IS_A_RESERVATION : 0, nullptr);
        WaitForSingleObject(worker, INFINITE);
        return 0;
    }
    Crash();
    return 0;
}
