// A single-producer single-consumer byte ring of fixed capacity. One byte
// always stays free so that equal offsets mean empty. It has no lock: its
// users hold their own fast lock around every call. Reads and writes are
// all or nothing.
#pragma once

#include "mos_rc.h"

#include <cstdint>

struct MosCyclicBuffer {
    uint8_t *pBuffer;
    uint64_t size;        // capacity + 1
    uint64_t readOffset;  // 0 .. size-1
    uint64_t writeOffset; // 0 .. size-1
};

// Allocates capacity + 1 zero-filled bytes (limit 0x5000000) and empties
// the ring. MOS_RC__NO_RESOURCES when the allocation fails (pBuffer null).
[[nodiscard]] MOS_RC mosCyclicBuffer_Create(MosCyclicBuffer *pCyc, uint64_t capacity);

// Frees the storage when there is one; the record is not cleared.
void mosCyclicBuffer_Destroy(MosCyclicBuffer *pCyc);

uint64_t mosCyclicBuffer_GetUsedBytes(const MosCyclicBuffer *pCyc);

// Takes length bytes out; MOS_RC__NO_RESOURCES (nothing changed) when
// fewer are used.
[[nodiscard]] MOS_RC mosCyclicBuffer_Read(MosCyclicBuffer *pCyc, void *pDst, uint64_t length);

// Puts length bytes in; MOS_RC__NO_RESOURCES (nothing changed) when fewer
// are free.
[[nodiscard]] MOS_RC mosCyclicBuffer_Write(MosCyclicBuffer *pCyc, const void *pSrc,
                                           uint64_t length);
