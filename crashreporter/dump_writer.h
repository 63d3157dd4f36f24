// Writing a minidump of a crashed process, and the failures it reports.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

// A structured exception (access violation and the like) while writing.
class CSEHException {
public:
    explicit CSEHException(uint32_t code) : code(code) {}
    uint32_t code;
};

// The dump file could not be created.
class CFileError {
public:
    CFileError(std::wstring name, int code) : name(std::move(name)), code(code) {}
    std::wstring name;
    int code;
};

// No dump could be written: the process could not be opened, or dbghelp
// failed (the file it had begun is removed).
class CDumpError {
public:
    explicit CDumpError(std::wstring name) : name(std::move(name)) {}
    std::wstring name;
};

// Owns one kernel handle. Null and INVALID_HANDLE_VALUE hold nothing and are
// never closed (closing them is an invalid-handle error under checkers).
class CAutoHandle {
public:
    explicit CAutoHandle(HANDLE handle) : handle_(handle) {}
    ~CAutoHandle() { reset(); }
    CAutoHandle(const CAutoHandle&) = delete;
    CAutoHandle& operator=(const CAutoHandle&) = delete;
    HANDLE get() const { return handle_; }
    explicit operator bool() const { return handle_ && handle_ != INVALID_HANDLE_VALUE; }
    void reset()
    {
        if (*this)
            CloseHandle(handle_);
        handle_ = nullptr;
    }

private:
    HANDLE handle_;
};

// Throws CSEHException carrying code.
[[noreturn]] void TranslateSeException(uint32_t code, EXCEPTION_POINTERS* pointers);

// Runs fn(arg) on a thread of its own and waits for it. GCC cannot turn a
// structured exception into a C++ one, so a structured exception that fn
// leaves unhandled ends that thread only (through the process's
// unhandled-exception filter) and is rethrown here by TranslateSeException.
void RunTranslated(void (*fn)(void*), void* arg);

// Writes a minidump (code segments, the crashed thread's exception) of
// process processId to path, replacing any file there. pointers is the
// address of the EXCEPTION_POINTERS record inside that process. Throws
// CFileError when the file cannot be created, CDumpError when the dump
// cannot be written, and CSEHException on a structured exception; after a
// failure no partial or empty dump is left behind.
void WriteDump(uintptr_t pointers, int32_t processId, int32_t threadId, const std::wstring& path);
