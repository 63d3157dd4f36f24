// An independent parse of an archive body, written from the byte format
// alone: byte offsets, the LZMA SDK and OpenSSL called directly, none of the
// engine's structures or processors.
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include <openssl/des.h>
#include <windows.h>

#include "LzmaDec.h"

namespace parse {

inline uint32_t u32(const uint8_t* p)
{
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
inline uint64_t u64(const uint8_t* p)
{
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

// A zero-terminated UTF-16 text in a fixed array of `chars`; the rest of the
// array must be zero.
inline std::optional<std::wstring> text(const std::vector<uint8_t>& b, size_t at, size_t chars)
{
    std::wstring s;
    size_t i = 0;
    for (; i < chars; ++i) {
        wchar_t c = static_cast<wchar_t>(b[at + 2 * i] | (b[at + 2 * i + 1] << 8));
        if (c == 0)
            break;
        s += c;
    }
    if (i == chars)
        return std::nullopt;
    for (size_t k = at + 2 * i; k < at + 2 * chars; ++k)
        if (b[k] != 0)
            return std::nullopt;
    return s;
}

inline void* sz_alloc(void*, size_t n)
{
    return std::malloc(n);
}
inline void sz_free(void*, void* p)
{
    std::free(p);
}

// Decodes an LZMABlock; nullopt when it is not a whole, valid block.
inline std::optional<std::vector<uint8_t>> lzma_block(const uint8_t* p, size_t n)
{
    if (n < 1)
        return std::nullopt;
    if (p[0] == 0)
        return std::vector<uint8_t>(p + 1, p + n);
    if (n < 15 || p[1] != 0)
        return std::nullopt;
    const uint64_t size = u64(p + 7);
    if (size > (64u << 20))
        return std::nullopt;
    std::vector<uint8_t> out(static_cast<size_t>(size));
    SizeT destLen = out.size(), srcLen = n - 15;
    ELzmaStatus status;
    ISzAlloc alloc = {sz_alloc, sz_free};
    if (LzmaDecode(out.data(), &destLen, p + 15, &srcLen, p + 2, 5, LZMA_FINISH_ANY, &status, &alloc) != SZ_OK ||
        destLen != out.size())
        return std::nullopt;
    return out;
}

struct Chunk {
    uint64_t offset;  // of its ChunkHeader
    std::vector<uint8_t> bytes;
};

struct Record {
    uint64_t offset;  // of the head length
    uint32_t head_length;
    std::vector<uint8_t> head_block;
    std::vector<uint8_t> head;  // decoded
    std::vector<Chunk> chunks;
    uint8_t end_marker[8];

    uint32_t type() const { return u32(head.data()); }
    uint64_t size() const { return u64(head.data() + 8); }
    bool compressed() const { return head[16] != 0; }
    bool encrypted() const { return head[17] != 0; }
    std::wstring folder() const { return text(head, 18, 2048).value_or(L"<bad>"); }
    std::wstring name() const { return text(head, 18 + 4096, 2048).value_or(L"<bad>"); }
    uint32_t root() const { return u32(head.data() + 20); }
    uint32_t value_type() const { return u32(head.data() + 24); }
    std::wstring key() const { return text(head, 28, 1024).value_or(L"<bad>"); }
    std::wstring value_name() const { return text(head, 28 + 2048, 1024).value_or(L"<bad>"); }
};

struct Archive {
    std::vector<Record> records;
    std::string error;  // empty when the body parsed to its very end
};

// Parses records from `start` to the end of the file. Every record must be
// whole: a head of the right size for its type, data chunks, then an end
// marker {1,0,0,0, n 0}; the file must end right after a record.
inline Archive records(const std::vector<uint8_t>& file, size_t start = 44)
{
    Archive a;
    size_t pos = start;
    while (pos < file.size()) {
        Record r{};
        r.offset = pos;
        if (file.size() - pos < 4) {
            a.error = "cut in head length";
            return a;
        }
        r.head_length = u32(&file[pos]);
        pos += 4;
        if (r.head_length > file.size() - pos) {
            a.error = "cut in head block";
            return a;
        }
        r.head_block.assign(file.begin() + pos, file.begin() + pos + r.head_length);
        pos += r.head_length;
        auto head = lzma_block(r.head_block.data(), r.head_block.size());
        if (!head || head->size() < 4) {
            a.error = "bad head block";
            return a;
        }
        r.head = *head;
        const uint32_t type = u32(r.head.data());
        if ((type == 1 && r.head.size() != 8216) || (type == 2 && r.head.size() != 4128) || (type != 1 && type != 2)) {
            a.error = "bad head";
            return a;
        }
        for (;;) {
            if (file.size() - pos < 8) {
                a.error = "cut in chunk header";
                return a;
            }
            const uint8_t* h = &file[pos];
            if (h[0] != 0) {
                std::memcpy(r.end_marker, h, 8);
                pos += 8;
                break;
            }
            const uint32_t n = u32(h + 4);
            if (h[1] || h[2] || h[3]) {
                a.error = "chunk header padding";
                return a;
            }
            if (n > file.size() - pos - 8) {
                a.error = "cut in chunk";
                return a;
            }
            r.chunks.push_back({pos, std::vector<uint8_t>(h + 8, h + 8 + n)});
            pos += 8 + n;
        }
        const uint8_t marker[8] = {1, 0, 0, 0, 0, 0, 0, 0};
        if (std::memcmp(r.end_marker, marker, 8) != 0) {
            a.error = "bad end marker";
            return a;
        }
        a.records.push_back(std::move(r));
    }
    return a;
}

// DES-CBC with the all-zero schedule, IV = DES_string_to_key(ANSI password).
class DesChain {
public:
    explicit DesChain(const std::string& ansiPassword)
    {
        std::memset(&schedule_, 0, sizeof schedule_);
        DES_string_to_key(ansiPassword.c_str(), &iv_);
    }
    std::optional<std::vector<uint8_t>> decrypt(const std::vector<uint8_t>& block)
    {
        if (block.size() < 8)
            return std::nullopt;
        const int32_t l = static_cast<int32_t>(u32(block.data())), p = static_cast<int32_t>(u32(block.data() + 4));
        if (l < 0 || p != ((l + 7) & ~7) || static_cast<size_t>(p) + 8 != block.size())
            return std::nullopt;
        std::vector<uint8_t> plain(static_cast<size_t>(p));
        if (p)
            DES_ncbc_encrypt(block.data() + 8, plain.data(), p, &schedule_, &iv_, DES_DECRYPT);
        plain.resize(static_cast<size_t>(l));
        return plain;
    }

private:
    DES_key_schedule schedule_;
    DES_cblock iv_;
};

// The item's data: each chunk decrypted (one chain per record), then decoded.
inline std::optional<std::vector<uint8_t>> data(const Record& r, const std::string& ansiPassword = "")
{
    DesChain des(ansiPassword);
    std::vector<uint8_t> out;
    for (const Chunk& c : r.chunks) {
        std::vector<uint8_t> piece = c.bytes;
        if (r.encrypted()) {
            auto plain = des.decrypt(piece);
            if (!plain)
                return std::nullopt;
            piece = *plain;
        }
        if (r.compressed()) {
            auto raw = lzma_block(piece.data(), piece.size());
            if (!raw)
                return std::nullopt;
            piece = *raw;
        }
        out.insert(out.end(), piece.begin(), piece.end());
    }
    return out;
}

}  // namespace parse
