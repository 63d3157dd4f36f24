#pragma once
// Binary file access in the style of the class library. Failures throw CFileException by value.
#include <windows.h>
#include <string>

class CFileException {
public:
    enum Cause { none, genericException, fileNotFound, badPath, accessDenied, sharingViolation, diskFull };

    CFileException() = default;
    CFileException(int cause, LONG osError, std::wstring fileName);
    static CFileException FromOsError(LONG osError, const std::wstring& fileName);

    // "<file>: <system text>", for the box that reports the failure.
    std::wstring GetErrorMessage() const;

    int m_cause = none;
    LONG m_lOsError = 0;
    std::wstring m_strFileName;
};

class CFile {
public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeCreate = 0x1000,  // with modeWrite: an existing file is truncated
    };

    CFile() noexcept = default;
    // Opens or throws.
    CFile(LPCWSTR path, UINT flags);
    ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // Returns false on failure and fills *error when given.
    bool Open(LPCWSTR path, UINT flags, CFileException* error = nullptr);
    // Returns the count read; fewer than asked at the end of the file.
    UINT Read(void* buffer, UINT count);
    // Writes all of buffer or throws.
    void Write(const void* buffer, UINT count);
    // Throws when the system reports a failure on close (a delayed write error).
    void Close();

    HANDLE m_hFile = INVALID_HANDLE_VALUE;

private:
    [[noreturn]] void Throw(LONG osError) const;
    std::wstring m_path;
};
