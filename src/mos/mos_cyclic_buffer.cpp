#include "mos_cyclic_buffer.h"

#include "mos_mem.h"

#include <algorithm>
#include <cstring>

MOS_RC mosCyclicBuffer_Create(MosCyclicBuffer *pCyc, uint64_t capacity) {
    pCyc->readOffset = 0;
    pCyc->writeOffset = 0;
    pCyc->size = capacity + 1;
    pCyc->pBuffer = static_cast<uint8_t *>(
        mos_MemCallocBare(pCyc->size, MOS_MEM_MAX_SIZE, "mosCyclicBuffer_Create", true));
    return pCyc->pBuffer == nullptr ? MOS_RC__NO_RESOURCES : MOS_RC__SUCCESS;
}

void mosCyclicBuffer_Destroy(MosCyclicBuffer *pCyc) {
    if (pCyc->pBuffer != nullptr) {
        mos_MemFreeBare(pCyc->pBuffer);
    }
}

uint64_t mosCyclicBuffer_GetUsedBytes(const MosCyclicBuffer *pCyc) {
    if (pCyc->writeOffset >= pCyc->readOffset) {
        return pCyc->writeOffset - pCyc->readOffset;
    }
    return pCyc->writeOffset + pCyc->size - pCyc->readOffset;
}

static uint64_t advance(const MosCyclicBuffer *pCyc, uint64_t offset, uint64_t length) {
    offset += length;
    return offset >= pCyc->size ? offset - pCyc->size : offset;
}

MOS_RC mosCyclicBuffer_Read(MosCyclicBuffer *pCyc, void *pDst, uint64_t length) {
    if (mosCyclicBuffer_GetUsedBytes(pCyc) < length) {
        return MOS_RC__NO_RESOURCES;
    }
    uint64_t firstPart = std::min(length, pCyc->size - pCyc->readOffset);
    memcpy(pDst, pCyc->pBuffer + pCyc->readOffset, firstPart);
    memcpy(static_cast<uint8_t *>(pDst) + firstPart, pCyc->pBuffer, length - firstPart);
    pCyc->readOffset = advance(pCyc, pCyc->readOffset, length);
    return MOS_RC__SUCCESS;
}

MOS_RC mosCyclicBuffer_Write(MosCyclicBuffer *pCyc, const void *pSrc, uint64_t length) {
    if (pCyc->size - 1 - mosCyclicBuffer_GetUsedBytes(pCyc) < length) {
        return MOS_RC__NO_RESOURCES;
    }
    uint64_t firstPart = std::min(length, pCyc->size - pCyc->writeOffset);
    memcpy(pCyc->pBuffer + pCyc->writeOffset, pSrc, firstPart);
    memcpy(pCyc->pBuffer, static_cast<const uint8_t *>(pSrc) + firstPart, length - firstPart);
    pCyc->writeOffset = advance(pCyc, pCyc->writeOffset, length);
    return MOS_RC__SUCCESS;
}
