#include "mos_mem.h"

#include "mos_assert_text.h"
#include "mos_os_thread.h"
#include "mos_sys_utils.h"
#include "os_mem.h"

#include <cstdio>
#include <cstring>

MosUtilsLayer mosUtils_Layer_G;

namespace {

constexpr uint64_t kHeaderSize = sizeof(MosMemCagedHeader);

// The caged layout always uses the platform's page, even when the layer
// could not record one.
uint64_t cagePageSize() {
    return osMem_GetPageSize();
}

MosMemCagedHeader *headerOf(void *pMem) {
    return reinterpret_cast<MosMemCagedHeader *>(static_cast<uint8_t *>(pMem) - kHeaderSize);
}

MosMemCagedHeader readHeader(void *pMem) {
    MosMemCagedHeader header;
    memcpy(&header, headerOf(pMem), sizeof header);
    return header;
}

void sizeTooLarge(const char *pKind, const char *pTag, uint64_t size) {
    printf("!!!!!!!!!!!!!! %s: %s size %lld!!!!!!!!! SIZE TOO LARGE !!!!!!!!!!\n", pKind, pTag,
           static_cast<long long>(size));
    fflush(stdout);
    MOS_ASSERT(0);
}

void *allocBare(uint64_t size, uint64_t maxSize, const char *pTag, bool bCanFail, bool bZero) {
    if (mosUtils_Layer_G.bCagedMalloc) {
        void *pMem = mos_MemMallocGuarded(size, bCanFail, false);
        if (pMem != nullptr) {
            if (bZero) {
                memset(pMem, 0, size);
            }
            mosOsThrd_IncMallocs();
        }
        return pMem;
    }
    (bZero ? mosUtils_Layer_G.numZeroAllocs : mosUtils_Layer_G.numBareAllocs)
        .fetch_add(1, std::memory_order_relaxed);
    if (size > maxSize) {
        sizeTooLarge(bZero ? "Calloc" : "Malloc", pTag, size);
    }
    void *pMem = bZero ? osMem_HeapCalloc(size) : osMem_HeapAlloc(size);
    if (pMem == nullptr) {
        MOS_ASSERT(bCanFail);
        return nullptr;
    }
    mosOsThrd_IncMallocs();
    return pMem;
}

// Releases a region whose guard pages are still read-only.
void releaseRegion(const MosMemCagedHeader &header) {
    mos_MarkRegionReadWrite(header.pBase, header.totalSize);
    osMem_PagesFree(header.pBase);
}

} // namespace

void *mos_MemMallocBare(uint64_t size, uint64_t maxSize, const char *pTag, bool bCanFail) {
    return allocBare(size, maxSize, pTag, bCanFail, false);
}

void *mos_MemCallocBare(uint64_t size, uint64_t maxSize, const char *pTag, bool bCanFail) {
    return allocBare(size, maxSize, pTag, bCanFail, true);
}

void mos_MemFreeBare(void *pMem) {
    if (pMem == nullptr) {
        return;
    }
    mosOsThrd_DecMallocs();
    if (mosUtils_Layer_G.bCagedMalloc) {
        mos_MemFreeGuarded(pMem);
    } else {
        osMem_HeapFree(pMem);
    }
}

void *mos_MemAllocPages(uint64_t size) {
    if (mosUtils_Layer_G.bCagedMalloc) {
        return mos_MemMallocGuarded(size, false, true);
    }
    mosUtils_Layer_G.numPageAllocs.fetch_add(1, std::memory_order_relaxed);
    void *pMem = osMem_PagesAlloc(size);
    MOS_ASSERT_TEXT(pMem != nullptr, "bCanFail");
    return pMem;
}

void mos_MemFreePages(void *pMem) {
    if (mosUtils_Layer_G.bCagedMalloc) {
        mos_MemFreeGuarded(pMem);
    } else if (pMem != nullptr) {
        osMem_PagesFree(pMem);
    }
}

void *mos_MemMallocGuarded(uint64_t size, bool bCanFail, bool bPageAligned) {
    const uint64_t pageSize = cagePageSize();
    const bool bAlignedPlacement = (size % pageSize) == 0 || bPageAligned;
    const uint64_t dataLen = bAlignedPlacement ? size : size + kHeaderSize;
    const uint64_t dataPagesLen = (dataLen + pageSize - 1) / pageSize * pageSize;
    const uint64_t totalSize = dataPagesLen + 2 * pageSize;
    const uint64_t slack = dataPagesLen - dataLen;

    auto *pBase = static_cast<uint8_t *>(osMem_PagesAlloc(totalSize));
    if (pBase == nullptr) {
        MOS_ASSERT(bCanFail);
        return nullptr;
    }
    const uint8_t fillerByte = static_cast<uint8_t>(mos_Rand());
    uint8_t *pBlock;
    uint8_t *pFiller;
    if (bAlignedPlacement) {
        pBlock = pBase + pageSize;
        pFiller = pBlock + size;
    } else {
        pFiller = pBase + pageSize;
        pBlock = pFiller + slack + kHeaderSize;
    }
    const MosMemCagedHeader header = {MOS_MEM_CAGED_MAGIC, pBase,   size,
                                      totalSize,           pFiller, static_cast<uint32_t>(slack),
                                      fillerByte};
    memcpy(headerOf(pBlock), &header, sizeof header);
    memset(pFiller, fillerByte, slack);
    mos_MarkRegionReadOnly(pBase, pageSize);
    mos_MarkRegionReadOnly(pBase + totalSize - pageSize, pageSize);
    return pBlock;
}

void mos_MemValidateFiller(const uint8_t *pMem, uint64_t length, uint8_t fillerByte) {
    for (uint64_t idx = 0; idx < length; idx++) {
        MOS_ASSERT(pMem[idx] == fillerByte);
    }
}

namespace {

void validateFiller(const MosMemCagedHeader &header) {
    mos_MemValidateFiller(header.pFiller, header.fillerLen, header.fillerByte);
}

// Releases the oldest queued block; the caller holds the deferred-free
// lock.
void mos_MemFreeDeferredEvictItem() {
    MOS_ASSERT(mosUtils_Layer_G.deferredFreeItems > 0);
    void *pMem = nullptr;
    MOS_RC rc = mosCyclicBuffer_Read(&mosUtils_Layer_G.deferredFreeQueue, &pMem, sizeof pMem);
    MOS_ASSERT(rc == MOS_RC__SUCCESS);
    const uint64_t pageSize = cagePageSize();
    auto headerPage = reinterpret_cast<uintptr_t>(headerOf(pMem)) / pageSize * pageSize;
    mos_MarkRegionAvailable(reinterpret_cast<void *>(headerPage), 2 * pageSize);
    MosMemCagedHeader *pTmpHeader = headerOf(pMem);
    MOS_ASSERT(pTmpHeader->totalSize <= mosUtils_Layer_G.deferredFreeBytes);
    const MosMemCagedHeader header = readHeader(pMem);
    mosUtils_Layer_G.deferredFreeBytes -= header.totalSize;
    mosUtils_Layer_G.deferredFreeItems--;
    mos_MarkRegionReadWrite(header.pBase, header.totalSize);
    osMem_PagesFree(header.pBase);
}

// Queues a checked, inaccessible region; false when deferred free was
// switched off meanwhile (the region is then accessible again).
bool deferFree(void *pMem, const MosMemCagedHeader &header) {
    MosUtilsLayer &layer = mosUtils_Layer_G;
    mosFastlockBase_Acquire(&layer.deferredFreeLock);
    if (!layer.bDeferredFree) {
        mos_MarkRegionReadWrite(header.pBase, header.totalSize);
        mosFastlockBase_Release(&layer.deferredFreeLock);
        return false;
    }
    while (layer.deferredFreeBytes + header.totalSize > layer.maxCagedDeferredFreeBytes ||
           layer.deferredFreeItems >= layer.maxCagedDeferredFreeItems) {
        mos_MemFreeDeferredEvictItem();
    }
    MOS_RC rc = mosCyclicBuffer_Write(&layer.deferredFreeQueue, &pMem, sizeof pMem);
    MOS_ASSERT(rc == MOS_RC__SUCCESS);
    layer.deferredFreeBytes += header.totalSize;
    layer.deferredFreeItems++;
    mosFastlockBase_Release(&layer.deferredFreeLock);
    return true;
}

} // namespace

void mos_MemFreeGuarded(void *pMem) {
    if (pMem == nullptr) {
        return;
    }
    MosMemCagedHeader *pHeader = headerOf(pMem);
    MOS_ASSERT(pHeader->magic == (0x4242));
    const MosMemCagedHeader header = readHeader(pMem);
    MosUtilsLayer &layer = mosUtils_Layer_G;
    // Read without the lock: deferFree looks at the switch again under it.
    if (layer.bDeferredFree && header.totalSize <= layer.maxCagedDeferredFreeBytes) {
        validateFiller(header);
        mos_MarkRegionNotAvailable(header.pBase, header.totalSize);
        if (deferFree(pMem, header)) {
            return;
        }
        osMem_PagesFree(header.pBase);
        return;
    }
    validateFiller(header);
    releaseRegion(header);
}

MOS_RC mosUtilsLayer_Init(void *pParams) {
    MosUtilsLayer &layer = mosUtils_Layer_G;
    mos_ClearRestrictedModeRecord();
    if (pParams != nullptr) {
        const auto *pSettings = static_cast<const MosUtilsParams *>(pParams);
        if (pSettings->intr_violation_crash != 0) {
            layer.bIntrViolationCrash = 1;
        }
        if (pSettings->caged_malloc != 0) {
            layer.bCagedMalloc = 1;
        }
        layer.maxCagedDeferredFreeBytes = pSettings->max_caged_deferred_free_bytes;
        layer.maxCagedDeferredFreeItems = pSettings->max_caged_deferred_free_items;
        layer.maxCallbackTimeUsec = pSettings->max_callback_time_usec;
        layer.pollLoopTimeFactor = pSettings->poll_loop_time_factor;
        layer.pollLoopMaxOvershootFactor = pSettings->poll_loop_max_overshoot_factor;
    }
    MOS_RC rc = mos_InitRestrictedMode();
    layer.pageSize = rc == MOS_RC__SUCCESS ? osMem_GetPageSize() : 0;
    mosFastlock_Create(&layer.utilsLock);
    mosFastlock_Create(&layer.deferredFreeLock);
    if (layer.bCagedMalloc && layer.maxCagedDeferredFreeBytes != 0 &&
        layer.maxCagedDeferredFreeItems != 0) {
        MOS_ASSERT_TEXT(mosCyclicBuffer_Create(&layer.deferredFreeQueue,
                                               uint64_t{layer.maxCagedDeferredFreeItems} *
                                                   sizeof(void *)) == MOS_RC__SUCCESS,
                        "mosCyclicBuffer_Create( &mosUtils_Layer_G.deferredFreeQueue, "
                        "utilsLayer_G.maxCagedDeferredFreeItems*sizeof(PVOID)) == 65");
        layer.deferredFreeItems = 0;
        layer.deferredFreeBytes = 0;
        layer.bDeferredFree = 1;
    } else {
        layer.bDeferredFree = 0;
    }
    return rc;
}

void mosUtilsLayer_Destroy() {
    MosUtilsLayer &layer = mosUtils_Layer_G;
    if (layer.bDeferredFree) {
        mosFastlockBase_Acquire(&layer.deferredFreeLock);
        layer.bDeferredFree = 0;
        while (layer.deferredFreeItems > 0) {
            mos_MemFreeDeferredEvictItem();
        }
        mosCyclicBuffer_Destroy(&layer.deferredFreeQueue);
        layer.deferredFreeQueue = MosCyclicBuffer{};
        mosFastlockBase_Release(&layer.deferredFreeLock);
    }
    mos_FreeRestrictedMode();
}

uint32_t mos_GetPageSize() {
    return mosUtils_Layer_G.pageSize;
}

uint32_t mosUtils_GetIntrViolationCrash() {
    return mosUtils_Layer_G.bIntrViolationCrash;
}

uint32_t mosUtils_GetPollLoopMaxOvershootFactor() {
    return mosUtils_Layer_G.pollLoopMaxOvershootFactor;
}

void mosUtils_CountPageAllocation() {
    mosUtils_Layer_G.numPageAllocs.fetch_add(1, std::memory_order_relaxed);
}
