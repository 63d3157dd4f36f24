// The archive body: after the 44-byte archive header, one item record per
// file or registry value, up to the end of the file:
//   uint32 L | LZMABlock of the whole head (L bytes, never encrypted) |
//   { ChunkHeader{end 0, n} | n bytes: one source piece through the chain }* |
//   ChunkHeader{end 1, n 0}
// All integers little-endian; texts UTF-16LE, zero-terminated and
// zero-filled in their arrays.
#pragma once

#include <cstddef>
#include <cstdint>

#include <windows.h>

static_assert(sizeof(wchar_t) == 2, "archive texts are UTF-16");

// Source pieces of at most this size become one chunk each.
constexpr int32_t kChunkPiece = 204800;
constexpr int32_t kArchiveHeaderSize = 44;
constexpr uint32_t kFileItemType = 1;
constexpr uint32_t kRegItemType = 2;

struct FileItem {
    wchar_t folder[2048];  // unexpanded form, e.g. %APPDATA%\...
    wchar_t name[2048];
};

struct RegItem {
    uint32_t root;        // predefined HKEY as its 32-bit value (0x80000001 HKCU)
    uint32_t type;        // REG_* type read
    wchar_t key[1024];    // below the root, no leading backslash
    wchar_t value[1024];  // empty for the key's default value
};

template <class Item>
struct ItemHeadTmpl {
    uint32_t type;
    uint64_t size;       // the source size when it was opened
    uint8_t compressed;  // readers take any non-zero as set
    uint8_t encrypted;
    Item item;
};

using FileHead = ItemHeadTmpl<FileItem>;
using RegHead = ItemHeadTmpl<RegItem>;

struct ChunkHeader {
    uint8_t end;  // 0: n bytes follow; any other value ends the item
    uint8_t zero[3];
    uint32_t n;
};

// The layout is the stored format: identical on 32- and 64-bit builds.
static_assert(sizeof(FileItem) == 8192 && offsetof(FileItem, name) == 4096);
static_assert(sizeof(RegItem) == 4104 && offsetof(RegItem, type) == 4 && offsetof(RegItem, key) == 8 &&
              offsetof(RegItem, value) == 2056);
static_assert(sizeof(FileHead) == 8216 && offsetof(FileHead, size) == 8 && offsetof(FileHead, compressed) == 16 &&
              offsetof(FileHead, encrypted) == 17 && offsetof(FileHead, item) == 18);
static_assert(sizeof(RegHead) == 4128 && offsetof(RegHead, size) == 8 && offsetof(RegHead, compressed) == 16 &&
              offsetof(RegHead, encrypted) == 17 && offsetof(RegHead, item) == 20);
static_assert(sizeof(ChunkHeader) == 8 && offsetof(ChunkHeader, n) == 4);

// The largest head block and chunk a writer produces (LZMA gets twice its
// input as room, DES adds 8 bytes and padding): bounds for a reader.
constexpr uint32_t kMaxHeadBlock = 1 + 2 * sizeof(FileHead);
constexpr uint32_t kMaxChunk = 8 + ((1 + 2 * kChunkPiece + 7) & ~7);

// Predefined root keys are stored as their 32-bit values; on a 64-bit build
// the handle is that value sign-extended.
inline uint32_t reg_root_value(HKEY root)
{
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(root));
}
inline HKEY reg_root_key(uint32_t value)
{
    return reinterpret_cast<HKEY>(static_cast<intptr_t>(static_cast<int32_t>(value)));
}

// Both initors zero the whole head first, so the padding is written as zeros.
struct FileHeadInitor {
    static void init_head(FileHead& head, const FileItem& item, bool compressed, bool encrypted, uint64_t size);
};

struct RegHeadInitor {
    static void init_head(RegHead& head, const RegItem& item, bool compressed, bool encrypted, uint32_t size);
};
