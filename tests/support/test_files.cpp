#include "test_files.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdlib>
#include <stdexcept>

#include "ui_driver.h"

std::wstring fixture_path(const std::wstring& relative)
{
    const wchar_t* root = _wgetenv(L"BRISVALE_FIXTURES");
    return std::wstring(root ? root : L".") + L"\\" + relative;
}

std::wstring expand(const std::wstring& text)
{
    wchar_t out[4096];
    const DWORD n = ExpandEnvironmentStringsW(text.c_str(), out, 4096);
    if (n == 0 || n > 4096)
        throw std::runtime_error("cannot expand " + uitest::narrow(text));
    return out;
}

std::wstring shell_folder(int csidl)
{
    wchar_t path[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathW(nullptr, path, csidl, TRUE))
        throw std::runtime_error("no shell folder " + std::to_string(csidl));
    return path;
}

std::string read_file(const std::wstring& path)
{
    std::string bytes;
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return bytes;
    char buf[65536];
    DWORD got = 0;
    while (ReadFile(f, buf, sizeof buf, &got, nullptr) && got > 0)
        bytes.append(buf, got);
    CloseHandle(f);
    return bytes;
}

void write_file(const std::wstring& path, std::string_view bytes)
{
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot create " + uitest::narrow(path) + ": error " + std::to_string(GetLastError()));
    DWORD written = 0;
    const bool ok = WriteFile(f, bytes.data(), DWORD(bytes.size()), &written, nullptr) && written == bytes.size();
    const DWORD error = GetLastError();
    if (!CloseHandle(f) || !ok)
        throw std::runtime_error("cannot write " + uitest::narrow(path) + ": error " + std::to_string(error));
}
