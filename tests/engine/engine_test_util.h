// Shared helpers of the engine tests: test data, guarded buffers, files.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <windows.h>

enum class DataKind { Text, Random };

// Deterministic data: mail-like text that compresses, or noise that does not.
inline std::vector<uint8_t> make_data(size_t size, DataKind kind, uint32_t seed = 1)
{
    std::vector<uint8_t> out(size);
    uint32_t x = seed * 2654435761u + 12345;
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
        base_ = static_cast<uint8_t*>(VirtualAlloc(nullptr, (dataPages + 1) * page, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
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

inline std::wstring fixture_path(const std::wstring& relative)
{
    const wchar_t* root = _wgetenv(L"BRISVALE_FIXTURES");
    return std::wstring(root ? root : L".") + L"\\" + relative;
}

inline std::vector<uint8_t> read_bytes(const std::wstring& path)
{
    std::vector<uint8_t> out;
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return out;
    uint8_t buf[65536];
    DWORD got = 0;
    while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got != 0)
        out.insert(out.end(), buf, buf + got);
    CloseHandle(h);
    return out;
}

inline void put_u32(std::vector<uint8_t>& b, size_t at, uint32_t v) { std::memcpy(b.data() + at, &v, 4); }
inline void put_u64(std::vector<uint8_t>& b, size_t at, uint64_t v) { std::memcpy(b.data() + at, &v, 8); }

inline uint32_t parse_u32(const std::vector<uint8_t>& b, size_t at) { uint32_t v; std::memcpy(&v, b.data() + at, 4); return v; }
inline uint64_t parse_u64(const std::vector<uint8_t>& b, size_t at) { uint64_t v; std::memcpy(&v, b.data() + at, 8); return v; }
