/* In-memory LZMA streams over the LZMA SDK's one-call coder.
   Stream layout: filter id (1 byte, 0 = none), the 5 LZMA property bytes,
   the uncompressed length as uint64 little-endian, then the LZMA data
   without an end marker. */
#ifndef BRISVALE_LZMA_RAM_H
#define BRISVALE_LZMA_RAM_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

enum { LZMA_RAM_HEADER_SIZE = 14 };
enum { SZ_FILTER_NO = 0 };

/* 0 on success; 3 when the output room is too small (always under 14
   bytes), 2 when memory runs out, 1 for any other failure. */
int LzmaRamEncode(const unsigned char* inBuffer, size_t inSize,
                  unsigned char* outBuffer, size_t outSize, size_t* outSizeProcessed,
                  uint32_t dictionarySize, int filterMode);

/* 0 and the stream's uncompressed length; 1 when the header is incomplete
   or the length does not fit size_t. */
int LzmaRamGetUncompressedSize(const unsigned char* inBuffer, size_t inSize, size_t* outSize);

/* Decodes exactly outSize bytes. 0 on success; 1 on damaged, short or
   filtered input (no branch filter is supported), 2 when memory runs out. */
int LzmaRamDecompress(const unsigned char* inBuffer, size_t inSize,
                      unsigned char* outBuffer, size_t outSize, size_t* outSizeProcessed,
                      void* (*allocFunc)(size_t size), void (*freeFunc)(void*));

#ifdef __cplusplus
}
#endif

#endif
