#include "thread.h"
#include <process.h>
#include "wnd.h"

namespace {

struct WorkerStart {
    std::atomic<bool>* running;
    AFX_THREADPROC proc;
    LPVOID arg;
};

unsigned __stdcall RunWorker(void* p)
{
    WorkerStart start = *static_cast<WorkerStart*>(p);
    delete static_cast<WorkerStart*>(p);
    try {
        start.proc(start.arg);
    } catch (...) {
        ReportCurrentException(nullptr);
    }
    start.running->store(false);
    return 0;
}

}  // namespace

bool StartWorker(std::atomic<bool>& running, AFX_THREADPROC proc, LPVOID arg, HANDLE* thread)
{
    auto* start = new WorkerStart{&running, proc, arg};
    uintptr_t h = _beginthreadex(nullptr, 0, RunWorker, start, CREATE_SUSPENDED, nullptr);
    if (!h) {
        delete start;
        return false;
    }
    running.store(true);
    ResumeThread(reinterpret_cast<HANDLE>(h));
    if (thread)
        *thread = reinterpret_cast<HANDLE>(h);
    else
        CloseHandle(reinterpret_cast<HANDLE>(h));
    return true;
}
