// In-memory LZMA streams over the LZMA SDK.
// Stream layout: filter id (1 byte, 0 = none), the 5 LZMA property bytes,
// the uncompressed length as uint64 little-endian, then the LZMA data
// without an end marker. Every stream is independent of the others.
#pragma once

#include <cstddef>
#include <cstdint>

#include "LzmaEnc.h"

constexpr size_t LZMA_RAM_HEADER_SIZE = 14;
constexpr int SZ_FILTER_NO = 0;

// The settings of every stream: 2 MiB dictionary (or the one given), lc 3,
// lp 0, pb 2, normal mode, 64 fast bytes, binary-tree match finder with
// 4-byte hashing, no end marker.
CLzmaEncProps LzmaRamProps(uint32_t dictionarySize);

// An encoder kept from stream to stream: setting one up costs far more than
// coding a 200 KB piece. It holds about 21.3 MB for the 2 MiB dictionary (a
// 4.46 MB hash table and a 16.8 MB tree), taken at its first stream and freed
// with it. A kept encoder starts every stream afresh: its output is byte for
// byte that of the SDK's one-call encoder.
class LzmaRamEncoder {
public:
    LzmaRamEncoder() = default;
    LzmaRamEncoder(const LzmaRamEncoder&) = delete;
    LzmaRamEncoder& operator=(const LzmaRamEncoder&) = delete;
    ~LzmaRamEncoder();

    // 0 on success; 3 when the output room is too small (always under 14
    // bytes), 2 when memory runs out, 1 for any other failure.
    int encode(const unsigned char* inBuffer, size_t inSize, unsigned char* outBuffer, size_t outSize,
               size_t* outSizeProcessed, uint32_t dictionarySize, int filterMode);

private:
    CLzmaEncHandle handle_ = nullptr;
};

// 0 and the stream's uncompressed length; 1 when the header is incomplete
// or the length does not fit size_t.
int LzmaRamGetUncompressedSize(const unsigned char* inBuffer, size_t inSize, size_t* outSize);

// Decodes exactly outSize bytes. 0 on success; 1 on damaged, short or
// filtered input (no branch filter is supported), 2 when memory runs out.
int LzmaRamDecompress(const unsigned char* inBuffer, size_t inSize, unsigned char* outBuffer, size_t outSize,
                      size_t* outSizeProcessed, void* (*allocFunc)(size_t size), void (*freeFunc)(void*));
