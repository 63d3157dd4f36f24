#include "persistent.h"

CFileStream::CFileStream(const wchar_t* path, DWORD creationDisposition, DWORD desiredAccess, DWORD shareMode,
                         DWORD flagsAndAttributes)
    : handle_(CreateFileW(path, desiredAccess, shareMode, nullptr, creationDisposition, flagsAndAttributes, nullptr))
{
}

CFileStream::~CFileStream()
{
    Close();
}

// INVALID_HANDLE_VALUE is also the current-process pseudo-handle, so it is never passed on.
int CFileStream::Write(const void* buffer, int length)
{
    DWORD done = 0;
    if (handle_ == INVALID_HANDLE_VALUE || length <= 0 ||
        !WriteFile(handle_, buffer, static_cast<DWORD>(length), &done, nullptr))
        return 0;
    return static_cast<int>(done);
}

int CFileStream::Read(void* buffer, int length)
{
    DWORD done = 0;
    if (handle_ == INVALID_HANDLE_VALUE || length <= 0 ||
        !ReadFile(handle_, buffer, static_cast<DWORD>(length), &done, nullptr))
        return 0;
    return static_cast<int>(done);
}

void CFileStream::Close()
{
    if (handle_ != INVALID_HANDLE_VALUE) {
        CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }
}
