#pragma once
// Worker threads and locks.
#include <windows.h>
#include <atomic>

using AFX_THREADPROC = UINT (*)(LPVOID);

// Starts proc(arg) on a new thread and keeps `running` true exactly while it runs.
// The thread is created suspended and the mark set before it resumes, so a worker
// that ends at once still clears it; the mark is cleared after proc returns (or
// throws: the exception is reported), as the thread's very last use of it.
// False, with the mark left false, when no thread can be made. With `thread`, the
// caller gets the thread's handle to wait for its very end (its thread-local
// clean-up included) and closes it.
bool StartWorker(std::atomic<bool>& running, AFX_THREADPROC proc, LPVOID arg, HANDLE* thread = nullptr);

// A critical section usable with std::lock_guard.
class CCriticalSection {
public:
    CCriticalSection() { InitializeCriticalSection(&cs_); }
    ~CCriticalSection() { DeleteCriticalSection(&cs_); }
    CCriticalSection(const CCriticalSection&) = delete;
    CCriticalSection& operator=(const CCriticalSection&) = delete;
    void lock() { EnterCriticalSection(&cs_); }
    void unlock() { LeaveCriticalSection(&cs_); }

private:
    CRITICAL_SECTION cs_;
};
