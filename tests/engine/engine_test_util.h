// Shared helpers of the engine tests: test data, guarded buffers, files.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include <windows.h>
#include <shlwapi.h>

#include "test_files.h"

enum class DataKind { Text, Random };

// Deterministic data: mail-like text that compresses, or noise that does not.
inline std::vector<uint8_t> make_data(size_t size, DataKind kind, uint32_t variant = 1)
{
    std::vector<uint8_t> out(size);
    uint32_t x = variant * 2654435761u + 12345;
    static const char words[] = "Subject: Re: meeting notes From: alice@example.com the quarterly report attached ";
    for (size_t i = 0; i < size; ++i) {
        x = x * 1664525u + 1013904223u;
        out[i] = kind == DataKind::Random ? static_cast<uint8_t>(x >> 24)
                                          : static_cast<uint8_t>(words[(i + (x >> 28)) % (sizeof words - 1)]);
    }
    return out;
}

// Bytes placed flush against a no-access page: reading one byte past the
// end faults, so an over-read crashes the test instead of passing unseen.
class GuardedBytes {
public:
    explicit GuardedBytes(const std::vector<uint8_t>& bytes)
    {
        SYSTEM_INFO si;
        GetSystemInfo(&si);
        const size_t page = si.dwPageSize;
        const size_t dataPages = (bytes.size() + page - 1) / page + 1;
        base_ = static_cast<uint8_t*>(
            VirtualAlloc(nullptr, (dataPages + 1) * page, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        DWORD old;
        VirtualProtect(base_ + dataPages * page, page, PAGE_NOACCESS, &old);
        data_ = base_ + dataPages * page - bytes.size();
        if (!bytes.empty())
            std::memcpy(data_, bytes.data(), bytes.size());
        size_ = bytes.size();
    }
    GuardedBytes(const GuardedBytes&) = delete;
    GuardedBytes& operator=(const GuardedBytes&) = delete;
    ~GuardedBytes() { VirtualFree(base_, 0, MEM_RELEASE); }
    const uint8_t* data() const { return data_; }
    int32_t size() const { return static_cast<int32_t>(size_); }

private:
    uint8_t* base_;
    uint8_t* data_;
    size_t size_;
};

// The engine's tests hold bytes as uint8_t vectors.
inline std::vector<uint8_t> read_bytes(const std::wstring& path)
{
    const std::string bytes = read_file(path);
    return {bytes.begin(), bytes.end()};
}

inline void put_u32(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    std::memcpy(b.data() + at, &v, 4);
}
inline void put_u64(std::vector<uint8_t>& b, size_t at, uint64_t v)
{
    std::memcpy(b.data() + at, &v, 8);
}

inline uint32_t parse_u32(const std::vector<uint8_t>& b, size_t at)
{
    uint32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}
inline uint64_t parse_u64(const std::vector<uint8_t>& b, size_t at)
{
    uint64_t v;
    std::memcpy(&v, b.data() + at, 8);
    return v;
}

inline void write_bytes(const std::wstring& path, const std::vector<uint8_t>& bytes)
{
    write_file(path, {reinterpret_cast<const char*>(bytes.data()), bytes.size()});
}

inline void remove_tree(const std::wstring& path)
{
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring child = path + L"\\" + name;
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
                remove_tree(child);
            } else {
                SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                if (!DeleteFileW(child.c_str()))
                    RemoveDirectoryW(child.c_str());
            }
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    RemoveDirectoryW(path.c_str());
}

// The files below a folder, as paths relative to it, sorted.
inline std::vector<std::wstring> list_files(const std::wstring& root, const std::wstring& prefix = L"")
{
    std::vector<std::wstring> out;
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((root + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return out;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            for (const std::wstring& inner : list_files(root + L"\\" + name, prefix + name + L"\\"))
                out.push_back(inner);
        } else {
            out.push_back(prefix + name);
        }
    } while (FindNextFileW(find, &found));
    FindClose(find);
    std::sort(out.begin(), out.end());
    return out;
}

// A fresh folder of the test's own below `parent` (the temporary folder
// unless given), removed with everything in it.
class TempDir {
public:
    explicit TempDir(std::wstring parent = L"")
    {
        if (parent.empty()) {
            wchar_t temp[MAX_PATH];
            GetTempPathW(MAX_PATH, temp);
            parent = temp;
        }
        if (parent.back() == L'\\')
            parent.pop_back();
        static unsigned counter = 0;
        path_ = parent + L"\\bvtest-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
        CreateDirectoryW(path_.c_str(), nullptr);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir() { remove_tree(path_); }
    const std::wstring& path() const { return path_; }
    std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

// A fresh key below HKCU\Software\BrisvaleTest, deleted with its subtree.
class TestKey {
public:
    TestKey()
    {
        static unsigned counter = 0;
        path_ =
            L"Software\\BrisvaleTest\\k" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
        RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr);
    }
    TestKey(const TestKey&) = delete;
    TestKey& operator=(const TestKey&) = delete;
    ~TestKey()
    {
        RegCloseKey(key_);
        SHDeleteKeyW(HKEY_CURRENT_USER, path_.c_str());
    }
    const std::wstring& path() const { return path_; }
    void set(const std::wstring& subkey, const std::wstring& name, DWORD type, const std::vector<uint8_t>& data) const
    {
        HKEY k;
        RegCreateKeyExW(key_, subkey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr);
        RegSetValueExW(k, name.c_str(), 0, type, data.data(), static_cast<DWORD>(data.size()));
        RegCloseKey(k);
    }

private:
    std::wstring path_;
    HKEY key_ = nullptr;
};

// A message-only window on the test thread that collects the engine's
// posted progress messages.
class ProgressWindow {
public:
    ProgressWindow() : hwnd_(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr))
    {
    }
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;
    ~ProgressWindow() { DestroyWindow(hwnd_); }
    HWND hwnd() const { return hwnd_; }
    // The (wParam, lParam) pairs posted so far, in order.
    std::vector<std::pair<WPARAM, LPARAM>> take(UINT message)
    {
        std::vector<std::pair<WPARAM, LPARAM>> out;
        MSG msg;
        while (PeekMessageW(&msg, hwnd_, message, message, PM_REMOVE))
            out.emplace_back(msg.wParam, msg.lParam);
        return out;
    }

private:
    HWND hwnd_;
};

// The first 15 bytes of an LZMABlock a writer makes of `size` input bytes:
// flag 1, filter 0, properties 5d and the 2 MiB dictionary, the size.
inline std::vector<uint8_t> lzma_header(uint64_t size)
{
    std::vector<uint8_t> h = {1, 0, 0x5d, 0x00, 0x00, 0x20, 0x00};
    for (int i = 0; i < 8; ++i)
        h.push_back(static_cast<uint8_t>(size >> (8 * i)));
    return h;
}
