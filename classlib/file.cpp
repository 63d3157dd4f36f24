#include "file.h"

CFileException::CFileException(int cause, LONG osError, std::wstring fileName)
    : m_cause(cause), m_lOsError(osError), m_strFileName(std::move(fileName))
{
}

CFileException CFileException::FromOsError(LONG osError, const std::wstring& fileName)
{
    int cause;
    switch (osError) {
    case ERROR_SUCCESS:
        cause = none;
        break;
    case ERROR_FILE_NOT_FOUND:
        cause = fileNotFound;
        break;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_DRIVE:
        cause = badPath;
        break;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
        cause = accessDenied;
        break;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        cause = sharingViolation;
        break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        cause = diskFull;
        break;
    default:
        cause = genericException;
        break;
    }
    return CFileException(cause, osError, fileName);
}

std::wstring CFileException::GetErrorMessage() const
{
    wchar_t* text = nullptr;
    DWORD n =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, static_cast<DWORD>(m_lOsError), 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    std::wstring reason;
    if (n && text) {
        reason.assign(text, n);
        while (!reason.empty() && (reason.back() == L'\n' || reason.back() == L'\r' || reason.back() == L' '))
            reason.pop_back();
    }
    if (text)
        LocalFree(text);
    if (reason.empty())
        reason = L"error " + std::to_wstring(m_lOsError);
    return m_strFileName.empty() ? reason : m_strFileName + L": " + reason;
}

CFile::CFile(LPCWSTR path, UINT flags)
{
    CFileException error;
    if (!Open(path, flags, &error))
        throw error;
}

CFile::~CFile()
{
    if (m_hFile != INVALID_HANDLE_VALUE)
        CloseHandle(m_hFile);
}

bool CFile::Open(LPCWSTR path, UINT flags, CFileException* error)
{
    if (m_hFile != INVALID_HANDLE_VALUE) {
        CloseHandle(m_hFile);
        m_hFile = INVALID_HANDLE_VALUE;
    }
    m_path = path;
    // Readers share with other readers; a writer has the file to itself.
    const bool write = (flags & modeWrite) != 0;
    m_hFile = CreateFileW(path, write ? GENERIC_WRITE : GENERIC_READ, write ? 0 : FILE_SHARE_READ, nullptr,
                          (flags & modeCreate) ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (m_hFile == INVALID_HANDLE_VALUE) {
        if (error)
            *error = CFileException::FromOsError(static_cast<LONG>(GetLastError()), m_path);
        return false;
    }
    return true;
}

UINT CFile::Read(void* buffer, UINT count)
{
    DWORD done = 0;
    if (!ReadFile(m_hFile, buffer, count, &done, nullptr))
        Throw(static_cast<LONG>(GetLastError()));
    return done;
}

void CFile::Write(const void* buffer, UINT count)
{
    DWORD done = 0;
    if (!WriteFile(m_hFile, buffer, count, &done, nullptr))
        Throw(static_cast<LONG>(GetLastError()));
    if (done != count)
        Throw(ERROR_DISK_FULL);
}

void CFile::Close()
{
    if (m_hFile == INVALID_HANDLE_VALUE)
        return;
    HANDLE handle = m_hFile;
    m_hFile = INVALID_HANDLE_VALUE;
    if (!CloseHandle(handle))
        Throw(static_cast<LONG>(GetLastError()));
}

void CFile::Throw(LONG osError) const
{
    throw CFileException::FromOsError(osError, m_path);
}
