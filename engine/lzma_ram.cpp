#include "lzma_ram.h"

#include <cstdlib>

#include "LzmaDec.h"

namespace {

struct FuncAlloc {
    ISzAlloc base;
    void* (*alloc)(size_t);
    void (*release)(void*);
};

void* func_alloc(void* p, size_t size)
{
    return static_cast<FuncAlloc*>(p)->alloc(size);
}
void func_free(void* p, void* address)
{
    static_cast<FuncAlloc*>(p)->release(address);
}

FuncAlloc g_heap = {{func_alloc, func_free}, std::malloc, std::free};

void put_u64(unsigned char* out, uint64_t v)
{
    for (int i = 0; i < 8; ++i)
        out[i] = static_cast<unsigned char>(v >> (8 * i));
}

}  // namespace

CLzmaEncProps LzmaRamProps(uint32_t dictionarySize)
{
    CLzmaEncProps props;
    LzmaEncProps_Init(&props);
    props.dictSize = dictionarySize;
    props.lc = 3;
    props.lp = 0;
    props.pb = 2;
    props.algo = 1;
    props.fb = 64;
    props.btMode = 1;
    props.numHashBytes = 4;
    props.numThreads = 1;
    props.writeEndMark = 0;
    return props;
}

LzmaRamEncoder::~LzmaRamEncoder()
{
    if (handle_)
        LzmaEnc_Destroy(handle_, &g_heap.base, &g_heap.base);
}

int LzmaRamEncoder::encode(const unsigned char* inBuffer, size_t inSize, unsigned char* outBuffer, size_t outSize,
                           size_t* outSizeProcessed, uint32_t dictionarySize, int filterMode)
{
    *outSizeProcessed = 0;
    if (filterMode != SZ_FILTER_NO)
        return 1;
    if (outSize < LZMA_RAM_HEADER_SIZE)
        return 3;
    if (!handle_)
        handle_ = LzmaEnc_Create(&g_heap.base);
    if (!handle_)
        return 2;
    CLzmaEncHandle encoder = handle_;

    const CLzmaEncProps props = LzmaRamProps(dictionarySize);
    SizeT propsLen = LZMA_PROPS_SIZE;
    if (LzmaEnc_SetProps(encoder, &props) != SZ_OK ||
        LzmaEnc_WriteProperties(encoder, outBuffer + 1, &propsLen) != SZ_OK)
        return 1;

    outBuffer[0] = SZ_FILTER_NO;
    put_u64(outBuffer + 6, inSize);
    SizeT dataLen = outSize - LZMA_RAM_HEADER_SIZE;
    const SRes res = LzmaEnc_MemEncode(encoder, outBuffer + LZMA_RAM_HEADER_SIZE, &dataLen, inBuffer, inSize, 0,
                                       nullptr, &g_heap.base, &g_heap.base);
    if (res == SZ_OK) {
        *outSizeProcessed = LZMA_RAM_HEADER_SIZE + dataLen;
        return 0;
    }
    if (res == SZ_ERROR_OUTPUT_EOF)
        return 3;
    return res == SZ_ERROR_MEM ? 2 : 1;
}

int LzmaRamGetUncompressedSize(const unsigned char* inBuffer, size_t inSize, size_t* outSize)
{
    if (inSize < LZMA_RAM_HEADER_SIZE)
        return 1;
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = (v << 8) | inBuffer[6 + i];
    if (v > static_cast<uint64_t>(static_cast<size_t>(-1)))
        return 1;
    *outSize = static_cast<size_t>(v);
    return 0;
}

int LzmaRamDecompress(const unsigned char* inBuffer, size_t inSize, unsigned char* outBuffer, size_t outSize,
                      size_t* outSizeProcessed, void* (*allocFunc)(size_t size), void (*freeFunc)(void*))
{
    *outSizeProcessed = 0;
    if (inSize < LZMA_RAM_HEADER_SIZE || inBuffer[0] != SZ_FILTER_NO)
        return 1;
    FuncAlloc alloc = {{func_alloc, func_free}, allocFunc, freeFunc};
    SizeT destLen = outSize;
    SizeT srcLen = inSize - LZMA_RAM_HEADER_SIZE;
    ELzmaStatus status;
    const SRes res = LzmaDecode(outBuffer, &destLen, inBuffer + LZMA_RAM_HEADER_SIZE, &srcLen, inBuffer + 1,
                                LZMA_PROPS_SIZE, LZMA_FINISH_ANY, &status, &alloc.base);
    if (res == SZ_ERROR_MEM)
        return 2;
    // An early end marker or a short stream would leave bytes undecoded.
    if (res != SZ_OK || destLen != outSize)
        return 1;
    *outSizeProcessed = destLen;
    return 0;
}
