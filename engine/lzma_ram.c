#include "lzma_ram.h"

#include <stdlib.h>

#include "LzmaDec.h"
#include "LzmaEnc.h"

typedef struct {
    ISzAlloc base;
    void* (*alloc)(size_t);
    void (*release)(void*);
} FuncAlloc;

static void* func_alloc(void* p, size_t size) { return ((FuncAlloc*)p)->alloc(size); }
static void func_free(void* p, void* address) { ((FuncAlloc*)p)->release(address); }

static void put_u64(unsigned char* out, uint64_t v)
{
    for (int i = 0; i < 8; ++i)
        out[i] = (unsigned char)(v >> (8 * i));
}

int LzmaRamEncode(const unsigned char* inBuffer, size_t inSize,
                  unsigned char* outBuffer, size_t outSize, size_t* outSizeProcessed,
                  uint32_t dictionarySize, int filterMode)
{
    *outSizeProcessed = 0;
    if (filterMode != SZ_FILTER_NO)
        return 1;
    if (outSize < LZMA_RAM_HEADER_SIZE)
        return 3;

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

    FuncAlloc alloc = { { func_alloc, func_free }, malloc, free };
    outBuffer[0] = 0;
    put_u64(outBuffer + 6, inSize);
    SizeT dataLen = outSize - LZMA_RAM_HEADER_SIZE;
    SizeT propsLen = LZMA_PROPS_SIZE;
    SRes res = LzmaEncode(outBuffer + LZMA_RAM_HEADER_SIZE, &dataLen, inBuffer, inSize, &props,
                          outBuffer + 1, &propsLen, 0, NULL, &alloc.base, &alloc.base);
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
    if (v > (uint64_t)(size_t)-1)
        return 1;
    *outSize = (size_t)v;
    return 0;
}

int LzmaRamDecompress(const unsigned char* inBuffer, size_t inSize,
                      unsigned char* outBuffer, size_t outSize, size_t* outSizeProcessed,
                      void* (*allocFunc)(size_t size), void (*freeFunc)(void*))
{
    *outSizeProcessed = 0;
    if (inSize < LZMA_RAM_HEADER_SIZE || inBuffer[0] != SZ_FILTER_NO)
        return 1;
    FuncAlloc alloc = { { func_alloc, func_free }, allocFunc, freeFunc };
    SizeT destLen = outSize;
    SizeT srcLen = inSize - LZMA_RAM_HEADER_SIZE;
    ELzmaStatus status;
    SRes res = LzmaDecode(outBuffer, &destLen, inBuffer + LZMA_RAM_HEADER_SIZE, &srcLen,
                          inBuffer + 1, LZMA_PROPS_SIZE, LZMA_FINISH_ANY, &status, &alloc.base);
    if (res == SZ_ERROR_MEM)
        return 2;
    /* An early end marker or a short stream would leave bytes undecoded. */
    if (res != SZ_OK || destLen != outSize)
        return 1;
    *outSizeProcessed = destLen;
    return 0;
}
