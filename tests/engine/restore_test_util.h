// Helpers of the restore tests: environment overrides, registry reads,
// digests, and a small writer of hand-made archive records.
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include <openssl/sha.h>
#include <shlwapi.h>
#include <windows.h>

#include "engine_test_util.h"

// Sets an environment variable of this process for the lifetime of the object.
class EnvOverride {
public:
    EnvOverride(const std::wstring& name, const std::wstring& value) : name_(name)
    {
        wchar_t old[32768];
        const DWORD n = GetEnvironmentVariableW(name.c_str(), old, 32768);
        if (n > 0 && n < 32768)
            old_ = std::wstring(old, n);
        SetEnvironmentVariableW(name.c_str(), value.c_str());
    }
    EnvOverride(const EnvOverride&) = delete;
    EnvOverride& operator=(const EnvOverride&) = delete;
    ~EnvOverride() { SetEnvironmentVariableW(name_.c_str(), old_ ? old_->c_str() : nullptr); }

private:
    std::wstring name_;
    std::optional<std::wstring> old_;
};

inline bool file_exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline std::wstring sha256_hex(const std::vector<uint8_t>& bytes)
{
    unsigned char digest[SHA256_DIGEST_LENGTH];
    SHA256(bytes.data(), bytes.size(), digest);
    static const wchar_t hex[] = L"0123456789abcdef";
    std::wstring out;
    for (unsigned char c : digest) {
        out += hex[c >> 4];
        out += hex[c & 15];
    }
    return out;
}

struct RegValue {
    DWORD type;
    std::vector<uint8_t> data;
};

inline std::optional<RegValue> read_value(HKEY root, const std::wstring& key, const std::wstring& name)
{
    HKEY k;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_QUERY_VALUE, &k) != ERROR_SUCCESS)
        return std::nullopt;
    DWORD type = 0, size = 0;
    std::optional<RegValue> out;
    if (RegQueryValueExW(k, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
        RegValue v{type, std::vector<uint8_t>(size)};
        if (RegQueryValueExW(k, name.c_str(), nullptr, &type, v.data.data(), &size) == ERROR_SUCCESS) {
            v.data.resize(size);
            out = v;
        }
    }
    RegCloseKey(k);
    return out;
}

inline void delete_key(HKEY root, const std::wstring& key)
{
    SHDeleteKeyW(root, key.c_str());
}

// Hand-made records, written from the byte format: heads stored (flag 0),
// chunks given as they go into the archive.
namespace build {

inline void put_text(std::vector<uint8_t>& head, size_t at, const std::wstring& text)
{
    std::memcpy(head.data() + at, text.data(), text.size() * 2);
}

inline std::vector<uint8_t> file_head(const std::wstring& folder, const std::wstring& name, uint64_t size,
                                      bool compressed = false, bool encrypted = false)
{
    std::vector<uint8_t> head(8216);
    put_u32(head, 0, 1);
    put_u64(head, 8, size);
    head[16] = compressed;
    head[17] = encrypted;
    put_text(head, 18, folder);
    put_text(head, 18 + 4096, name);
    return head;
}

inline std::vector<uint8_t> reg_head(uint32_t root, uint32_t type, const std::wstring& key, const std::wstring& value,
                                     uint64_t size)
{
    std::vector<uint8_t> head(4128);
    put_u32(head, 0, 2);
    put_u64(head, 8, size);
    put_u32(head, 20, root);
    put_u32(head, 24, type);
    put_text(head, 28, key);
    put_text(head, 28 + 2048, value);
    return head;
}

inline void append(std::vector<uint8_t>& out, const void* p, size_t n)
{
    const auto* b = static_cast<const uint8_t*>(p);
    out.insert(out.end(), b, b + n);
}

// One record: head length, the head as a stored LZMABlock, the chunks, the end marker.
inline void record(std::vector<uint8_t>& archive, const std::vector<uint8_t>& head,
                   const std::vector<std::vector<uint8_t>>& chunks)
{
    const uint32_t length = static_cast<uint32_t>(head.size() + 1);
    append(archive, &length, 4);
    archive.push_back(0);
    append(archive, head.data(), head.size());
    for (const auto& chunk : chunks) {
        const uint8_t header[8] = {0,
                                   0,
                                   0,
                                   0,
                                   uint8_t(chunk.size()),
                                   uint8_t(chunk.size() >> 8),
                                   uint8_t(chunk.size() >> 16),
                                   uint8_t(chunk.size() >> 24)};
        append(archive, header, 8);
        append(archive, chunk.data(), chunk.size());
    }
    const uint8_t end[8] = {1, 0, 0, 0, 0, 0, 0, 0};
    append(archive, end, 8);
}

// The 44 header bytes the reader passes over.
inline std::vector<uint8_t> header()
{
    return std::vector<uint8_t>(44, 0);
}

}  // namespace build
