#include "dump_writer.h"

#include <dbghelp.h>

#include <atomic>
#include <mutex>

namespace {

// The one thread RunTranslated watches, and what ended it.
std::atomic<DWORD> guardedThread{0};
std::atomic<DWORD> guardedCode{0};
LPTOP_LEVEL_EXCEPTION_FILTER previousFilter = nullptr;

LONG WINAPI EndGuardedThread(EXCEPTION_POINTERS* info)
{
    if (GetCurrentThreadId() != guardedThread)
        return previousFilter ? previousFilter(info) : EXCEPTION_CONTINUE_SEARCH;
    guardedCode = info->ExceptionRecord->ExceptionCode;
    // Returning would end the whole process; end only this thread.
    ExitThread(1);
}

struct GuardedCall {
    void (*fn)(void*);
    void* arg;
};

DWORD WINAPI RunGuarded(void* p)
{
    auto* call = static_cast<GuardedCall*>(p);
    call->fn(call->arg);
    return 0;
}

struct DumpCall {
    HANDLE process;
    DWORD processId;
    HANDLE file;
    MINIDUMP_EXCEPTION_INFORMATION* exception;
    BOOL written;
};

void CallMiniDumpWriteDump(void* p)
{
    auto* call = static_cast<DumpCall*>(p);
    call->written = MiniDumpWriteDump(call->process, call->processId, call->file, MiniDumpWithCodeSegs, call->exception,
                                      nullptr, nullptr);
}

// The access the dump needs (PROCESS_ALL_ACCESS of the XP-era headers).
constexpr DWORD kProcessAccess = 0x1F0FFF;

}  // namespace

void TranslateSeException(uint32_t code, EXCEPTION_POINTERS*)
{
    throw CSEHException(code);
}

void RunTranslated(void (*fn)(void*), void* arg)
{
    static std::once_flag installed;
    std::call_once(installed, [] { previousFilter = SetUnhandledExceptionFilter(EndGuardedThread); });
    // One guarded call at a time: the filter knows a single thread.
    static std::mutex one;
    std::lock_guard<std::mutex> lock(one);
    GuardedCall call{fn, arg};
    guardedCode = 0;
    DWORD id = 0;
    CAutoHandle thread(CreateThread(nullptr, 0, RunGuarded, &call, CREATE_SUSPENDED, &id));
    if (!thread) {
        fn(arg);
        return;
    }
    guardedThread = id;
    ResumeThread(thread.get());
    WaitForSingleObject(thread.get(), INFINITE);
    guardedThread = 0;
    if (guardedCode)
        TranslateSeException(guardedCode, nullptr);
}

void WriteDump(uintptr_t pointers, int32_t processId, int32_t threadId, const std::wstring& path)
{
    CAutoHandle process(OpenProcess(kProcessAccess, FALSE, static_cast<DWORD>(processId)));
    if (!process)
        throw CDumpError(path);
    CAutoHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        throw CFileError(path, 0);

    MINIDUMP_EXCEPTION_INFORMATION exception{};
    exception.ThreadId = static_cast<DWORD>(threadId);
    exception.ExceptionPointers = reinterpret_cast<EXCEPTION_POINTERS*>(pointers);
    exception.ClientPointers = TRUE;  // the address is in the crashed process
    DumpCall call{process.get(), static_cast<DWORD>(processId), file.get(), &exception, FALSE};
    auto discard = [&] {
        file.reset();
        DeleteFileW(path.c_str());
    };
    try {
        RunTranslated(CallMiniDumpWriteDump, &call);
    } catch (...) {
        discard();
        throw;
    }
    if (!call.written) {
        discard();
        throw CDumpError(path);
    }
}
