// Memory pools.
#include "mos_mempool.h"

#include "mos_assert_text.h"
#include "mos_debug.h"
#include "mos_mem.h"
#include "mos_sys_utils.h"
#include "mos_ticks.h"
#include "mos_trace.h"
#include "os_time.h"

#include <cstring>

namespace {

MosMemPool_Block *const END_MARKER = reinterpret_cast<MosMemPool_Block *>(~uintptr_t{0});

struct MemPoolLayer {
    MosObjType poolType;         // 11
    MosObjType dynamicPoolType;  // 17
    MosObjType dynamicArrayType; // 16
};
MemPoolLayer memPoolLayer_G;

inline bool isStack(const MosMemPool *p) {
    return (p->flags & MOS_MEMPOOL_FLAG__FREE_STACK) != 0;
}
inline bool isGuarded(const MosMemPool *p) {
    return (p->flags & MOS_MEMPOOL_FLAG__GUARD_PAGE) != 0;
}

uint64_t roundUp(uint64_t value, uint64_t multiple) {
    return (value + multiple - 1) / multiple * multiple;
}

void validateFlags(uint32_t flags, MosMemPoolInitBlockCK pInit, MosMemPoolDestroyBlockCK pDestroy) {
    const bool bList = (flags & MOS_MEMPOOL_FLAG__FREE_LIST) != 0;
    const bool bStack = (flags & MOS_MEMPOOL_FLAG__FREE_STACK) != 0;
    MOS_ASSERT_TEXT(bList || bStack,
                    "((pMemPool)->flags & (1 << 2)) || ((pMemPool)->flags & (1 << 3))");
    MOS_ASSERT_TEXT(!(bList && bStack),
                    "!(((pMemPool)->flags & (1 << 2)) && ((pMemPool)->flags & (1 << 3)))");
    MOS_ASSERT_TEXT((flags & ~((1u << 6) - 1)) == 0, "(pMemPool->flags & ~((1 << 6) - 1)) == 0");
    MOS_ASSERT_TEXT(!bStack || (pInit == nullptr && pDestroy == nullptr),
                    "!((pMemPool)->flags & (1 << 3)) || ((pInitBlockCK == ((void *)0)) && "
                    "(pDestroyBlockCK == ((void *)0)))");
}

// Geometry of the block area: stride, guard pages, filler and sizes. The
// products are taken in 64 bits: a pool whose stride or block area passes
// 4 GiB is refused rather than built over a wrapped size.
struct Geometry {
    uint32_t alignment;
    uint64_t stride;
    uint64_t dataSize;
    uint64_t mallocSize;
    uint32_t nGuardPages;
    uint32_t tailFiller;
};

bool computeGeometry(const MosMemPool *p, uint32_t alignment, Geometry *pGeo) {
    const uint32_t pageSize = isGuarded(p) ? mos_GetSystemPageSize() : 0;
    MOS_ASSERT_TEXT((alignment & (alignment - 1)) == 0, "(alignment & (alignment-1)) == 0");
    pGeo->alignment = (alignment > pageSize ? alignment : pageSize) & ~1u;
    const uint64_t a1 = pGeo->alignment > 0 ? pGeo->alignment : 1;
    pGeo->stride = roundUp(uint64_t{p->blockSizeInBytes} + pageSize, a1);
    pGeo->dataSize = uint64_t{p->numBlocks} * pGeo->stride;
    pGeo->mallocSize = pGeo->dataSize + pageSize + pGeo->alignment;
    pGeo->nGuardPages = 0;
    pGeo->tailFiller = 0;
    if (pageSize != 0) {
        const uint64_t slack = pGeo->stride - p->blockSizeInBytes;
        pGeo->nGuardPages = static_cast<uint32_t>(slack / pageSize);
        pGeo->tailFiller = static_cast<uint32_t>(slack % pageSize);
    }
    return pGeo->stride <= UINT32_MAX && pGeo->dataSize <= UINT32_MAX;
}

uint8_t *blockAt(const MosMemPool *p, uint32_t index) {
    return p->pMemAlignedStart + uint64_t{index} * p->allocPerBlock;
}

void fenceBlocks(MosMemPool *p) {
    const uint32_t pageSize = mos_GetSystemPageSize();
    MOS_ASSERT(p->nGuardPages > 0);
    for (uint32_t i = 0; i < p->numBlocks; i++) {
        uint8_t *pFiller = blockAt(p, i) + p->blockSizeInBytes;
        memset(pFiller, MOS_MEMPOOL_FILLER, p->tailFillerLen);
        uint8_t *pGuard = pFiller + p->tailFillerLen;
        MOS_ASSERT_TEXT((reinterpret_cast<uintptr_t>(pGuard) & (pageSize - 1)) == 0,
                        "((UINTP)pBlock & (guardPageSize-1)) == 0");
        for (uint32_t g = 0; g < p->nGuardPages; g++, pGuard += pageSize) {
            MOS_ASSERT_TEXT(pGuard + pageSize <= p->pMemEnd,
                            "pBlock + guardPageSize <= pMemPool->pMemEnd");
            mos_MarkPageNotAvailable(pGuard);
        }
    }
}

void checkFiller(const MosMemPool *p, const uint8_t *pBlock) {
    const uint8_t *pFiller = pBlock + p->blockSizeInBytes;
    for (uint32_t i = 0; i < p->tailFillerLen; i++) {
        MOS_ASSERT_TEXT(pFiller[i] == MOS_MEMPOOL_FILLER, "*p == ((CHAR_A)0x42)");
    }
}

void unfenceBlocks(MosMemPool *p) {
    const uint32_t pageSize = mos_GetSystemPageSize();
    mos_MarkPageAvailable(p->pMemAlignedStart - pageSize);
    for (uint32_t i = 0; i < p->numBlocks; i++) {
        checkFiller(p, blockAt(p, i));
        mos_MarkRegionAvailable(blockAt(p, i) + p->blockSizeInBytes + p->tailFillerLen,
                                uint64_t{p->nGuardPages} * pageSize);
    }
}

void listPushTail(MosMemPool *p, MosMemPool_Block *pBlock) {
    pBlock->pNext = END_MARKER;
    if (p->freeList.pLast == nullptr) {
        p->freeList.pFirst = pBlock;
    } else {
        p->freeList.pLast->pNext = pBlock;
    }
    p->freeList.pLast = pBlock;
    p->freeList.counter++;
}

void listPushHead(MosMemPool *p, MosMemPool_Block *pBlock) {
    // A block freed twice would be handed out twice; the cheap cases are
    // caught here: the list is already full, or the block is its head.
    MOS_ASSERT_TEXT(p->freeList.counter < p->numBlocks && pBlock != p->freeList.pFirst,
                    "block returned twice to the free list");
    pBlock->pNext = p->freeList.pFirst == nullptr ? END_MARKER : p->freeList.pFirst;
    if (p->freeList.pLast == nullptr) {
        p->freeList.pLast = pBlock;
    }
    p->freeList.pFirst = pBlock;
    p->freeList.counter++;
}

MosMemPool_Block *listPopHead(MosMemPool *p) {
    MosMemPool_Block *pBlock = p->freeList.pFirst;
    MOS_ASSERT_TEXT(pBlock != nullptr, "(pBlock) != ((void *)0)");
    // A zero link means a free block was written to after its free.
    MOS_ASSERT_TEXT(pBlock->pNext != nullptr, "(pBlock)->pNext != ((void *)0)");
    if (pBlock->pNext == END_MARKER) {
        MOS_ASSERT_TEXT(p->freeList.counter == 1 && p->freeList.pLast == pBlock,
                        "(pBlock)->pNext != ((PVOID) -1)");
        p->freeList.pFirst = nullptr;
        p->freeList.pLast = nullptr;
    } else {
        p->freeList.pFirst = pBlock->pNext;
    }
    p->freeList.counter--;
    return pBlock;
}

void stackPush(MosMemPool *p, void *pBlock) {
    if (p->freeStack.nextFreeobject == 0) {
        ALWAYS_ASSERT(); // more blocks returned than handed out
    }
    p->freeStack.pFreeStackArray[--p->freeStack.nextFreeobject] = pBlock;
}

void initUsingList(MosMemPool *p) {
    p->freeList = MosMemPoolFreeList{};
    for (uint32_t i = 0; i < p->numBlocks; i++) {
        uint8_t *pBlock = blockAt(p, i);
        if (p->pBlockHook != nullptr) {
            p->pBlockHook(p, 0);
        }
        if (p->pInitBlockCK != nullptr) {
            p->pInitBlockCK(p->pUserData, pBlock, p->blockSizeInBytes);
        }
        listPushTail(p, reinterpret_cast<MosMemPool_Block *>(pBlock));
    }
}

void initUsingStack(MosMemPool *p) {
    const uint64_t arrayBytes = uint64_t{p->numBlocks} * sizeof(void *);
    p->freeStack.pFreeStackArray = static_cast<void **>(
        mos_MemMallocBare(arrayBytes, MOS_MEM_MAX_SIZE, "mosMemPool_AllocNewStack", false));
    MOS_ASSERT_TEXT(p->freeStack.pFreeStackArray != nullptr,
                    "(pMemPool->freeStack.pFreeStackArray) != ((void *)0)");
    (void)mosMemPinning_Pin(p->freeStack.pFreeStackArray, arrayBytes, nullptr, nullptr, false);
    p->freeStack.nextFreeobject = p->numBlocks;
    for (uint32_t i = 0; i < p->numBlocks; i++) {
        stackPush(p, blockAt(p, i));
    }
}

void initFreeInformation(MosMemPool *p) {
    if (p->flags & MOS_MEMPOOL_FLAG__FREE_LIST) {
        initUsingList(p);
    } else if (p->flags & MOS_MEMPOOL_FLAG__FREE_STACK) {
        initUsingStack(p);
    } else {
        ALWAYS_ASSERT();
    }
    if (isGuarded(p)) {
        fenceBlocks(p);
    }
    MOS_ASSERT(!p->bInit);
    p->bInit = 1;
}

bool getFreeEntity(MosMemPool *p, void **ppBlock) {
    // Free blocks are reserved for waiters while any wait.
    if (p->waiters.counter >= mosMemPool_GetNumOfFreeEntries(p)) {
        return false;
    }
    if (isStack(p)) {
        *ppBlock = p->freeStack.pFreeStackArray[p->freeStack.nextFreeobject++];
    } else {
        *ppBlock = listPopHead(p);
    }
    return true;
}

void destroyUsingList(MosMemPool *p) {
    if (p->freeList.counter != p->numBlocks) {
        MOS_TRACE(MOS_COMP_MOS, 1, "ERROR: Not all objects were freed");
        ALWAYS_ASSERT();
    }
    if (p->pDestroyBlockCK == nullptr) {
        return;
    }
    for (MosMemPool_Block *pBlock = p->freeList.pFirst;
         pBlock != nullptr && pBlock != END_MARKER;) {
        MosMemPool_Block *pNext = pBlock->pNext;
        if (p->pBlockHook != nullptr) {
            p->pBlockHook(p, 0);
        }
        p->pDestroyBlockCK(p->pUserData, pBlock);
        pBlock = pNext;
    }
}

// The index check of the hot paths: an address in [start, end) has an
// index below numBlocks, since end is start + numBlocks strides, so the
// range alone decides it without a division.
inline void checkInPool(const MosMemPool *p, const void *pMem) {
    const auto *pByte = static_cast<const uint8_t *>(pMem);
    MOS_ASSERT_TEXT(pByte >= p->pMemAlignedStart && pByte < p->pMemEnd,
                    "(pMem >= pPool->pMemAlignedStart) && (pMem < pPool->pMemEnd)");
}

void destroyUsingStack(MosMemPool *p) {
    MOS_ASSERT_TEXT(p->freeStack.nextFreeobject == 0, "pMemPool->freeStack.nextFreeobject == 0");
    MOS_ASSERT_TEXT(p->freeStack.pFreeStackArray != nullptr,
                    "(pMemPool->freeStack.pFreeStackArray) != ((void *)0)");
    mos_MemFreeBare(p->freeStack.pFreeStackArray);
    p->freeStack.pFreeStackArray = nullptr;
}

} // namespace

namespace {

// Steps 5 to 9 of a creation: geometry and the one allocation. A refused
// or failed pool is left with 0 blocks, so its destroy does nothing.
MOS_RC allocateArea(MosMemPool *p, uint32_t alignment) {
    Geometry geo;
    if (!computeGeometry(p, alignment, &geo)) {
        MOS_TRACE(MOS_COMP_MOS, 1,
                  "ERROR: Memory pool %s too large: %u blocks of stride %llu pass 4 GiB", p->name,
                  p->numBlocks, static_cast<unsigned long long>(geo.stride));
        p->numBlocks = 0;
        return MOS_RC__INVALID;
    }
    p->alignment = geo.alignment;
    p->allocPerBlock = static_cast<uint32_t>(geo.stride);
    p->nGuardPages = geo.nGuardPages;
    p->tailFillerLen = geo.tailFiller;
    p->mallocSize = geo.mallocSize;
    const bool bMayFail = (p->flags & MOS_MEMPOOL_FLAG__MAY_FAIL) != 0;
    p->pMem = static_cast<uint8_t *>(
        mos_MemMallocBare(geo.mallocSize, MOS_MEM_NO_LIMIT, "mosMemPool_CreateEx", bMayFail));
    if (p->pMem == nullptr) {
        MOS_ASSERT(bMayFail);
        p->numBlocks = 0;
        return MOS_RC__NO_RESOURCES;
    }
    const uint32_t pageSize = isGuarded(p) ? mos_GetSystemPageSize() : 0;
    const uint64_t a1 = geo.alignment > 0 ? geo.alignment : 1;
    p->pMemAlignedStart =
        reinterpret_cast<uint8_t *>(roundUp(reinterpret_cast<uintptr_t>(p->pMem) + pageSize, a1));
    p->pMemEnd = p->pMemAlignedStart + geo.dataSize;
    MOS_ASSERT_TEXT(p->pMemEnd <= p->pMem + geo.mallocSize,
                    "((UINTP)pMemPool->pMemEnd) <= ((UINTP)pMemPool->pMem + mallocSize)");
    return MOS_RC__SUCCESS;
}

// Steps 11 to 14: lock, free blocks, leading guard page, registration.
void finishCreation(MosMemPool *p) {
    mosFastlock_Create(&p->lock);
    if (!(p->flags & MOS_MEMPOOL_FLAG__NO_FREE_INFO)) {
        initFreeInformation(p);
    }
    if (isGuarded(p)) {
        const uint32_t pageSize = mos_GetSystemPageSize();
        MOS_ASSERT(p->pMemAlignedStart - pageSize >= p->pMem);
        mos_MarkPageNotAvailable(p->pMemAlignedStart - pageSize);
    }
    mosObjType_RegObj(&memPoolLayer_G.poolType, &p->objEntry, p->name);
    MOS_TRACE(MOS_COMP_MOS, 1,
              "Mempool named %s allocated at %p. More info: pMemPool:%p, blockSizeInBytes:%d, "
              "allocPerBlock:%d, numBlocks:%d, mallocSize:%llu, alignment:%d, flags:%x, "
              "pMemAlignedStart:%p, pMemEnd:%p",
              p->name, static_cast<void *>(p->pMem), static_cast<void *>(p), p->blockSizeInBytes,
              p->allocPerBlock, p->numBlocks, static_cast<unsigned long long>(p->mallocSize),
              p->alignment, p->flags, static_cast<void *>(p->pMemAlignedStart),
              static_cast<void *>(p->pMemEnd));
}

} // namespace

MOS_RC mosMemPool_CreateEx(MosMemPool *pMemPool, const char *pName, uint32_t blockSizeInBytes,
                           uint32_t numBlocks, uint32_t alignment, uint32_t flags,
                           MosMemPoolInitBlockCK pInitBlockCK,
                           MosMemPoolDestroyBlockCK pDestroyBlockCK, void *pUserData,
                           MosMemPoolBlockHook pBlockHook, MosMemPinningDoneCK pPinnedCK,
                           void *pPinnedArg) {
    MOS_ASSERT(pMemPool != ((void *)0));
    MOS_ASSERT(pName != ((void *)0));
    *pMemPool = MosMemPool{};
    pMemPool->flags = flags;
    validateFlags(flags, pInitBlockCK, pDestroyBlockCK);
    if (numBlocks == 0) {
        MOS_TRACE(MOS_COMP_MOS, 1, "Empty memory pool %p (%s)", static_cast<void *>(pMemPool),
                  pName);
        return MOS_RC__INVALID;
    }
    MOS_ASSERT(blockSizeInBytes >= sizeof(MosMemPool_Block));
    pMemPool->pInitBlockCK = pInitBlockCK;
    pMemPool->pDestroyBlockCK = pDestroyBlockCK;
    pMemPool->pUserData = pUserData;
    pMemPool->pBlockHook = pBlockHook;
    pMemPool->blockSizeInBytes = blockSizeInBytes;
    pMemPool->numBlocks = numBlocks;
    strncpy(pMemPool->name, pName, sizeof pMemPool->name - 1);
    const MOS_RC rc = allocateArea(pMemPool, alignment);
    if (rc != MOS_RC__SUCCESS) {
        return rc;
    }
    const bool bPending = mosMemPinning_Pin(pMemPool->pMem, pMemPool->mallocSize, pPinnedCK,
                                            pPinnedArg, false) == MOS_RC__PENDING;
    finishCreation(pMemPool);
    return bPending ? MOS_RC__PENDING : MOS_RC__SUCCESS;
}

void mosMemPool_Destroy(MosMemPool *pMemPool) {
    if (pMemPool->numBlocks == 0) {
        return;
    }
    if (isStack(pMemPool)) {
        destroyUsingStack(pMemPool);
    } else {
        destroyUsingList(pMemPool);
    }
    pMemPool->bInit = 0;
    if (isGuarded(pMemPool)) {
        unfenceBlocks(pMemPool);
    }
    mosObjType_UnregObj(&memPoolLayer_G.poolType, &pMemPool->objEntry);
    mos_MemFreeBare(pMemPool->pMem);
    pMemPool->pMem = nullptr;
    mosFastlockBase_Destroy(&pMemPool->lock);
}

MOS_RC mosMemPool_Alloc(MosMemPool *pMemPool, void **ppBlock) {
    MOS_ASSERT(pMemPool->bInit);
    void *pBlock = nullptr;
    mosFastlockBase_Acquire(&pMemPool->lock);
    if (!getFreeEntity(pMemPool, &pBlock)) {
        pMemPool->numTimesExhausted++;
        pMemPool->lastExhaustedMillis = osTime_GetTickCount64();
        mosFastlockBase_Release(&pMemPool->lock);
        return MOS_RC__NO_RESOURCES;
    }
    mosFastlockBase_Release(&pMemPool->lock);
    *ppBlock = pBlock;
    memset(pBlock, 0, sizeof(MosMemPool_Block));
    checkInPool(pMemPool, pBlock);
    return MOS_RC__SUCCESS;
}

void mosMemPool_Free(MosMemPool *pMemPool, void *pBlock) {
    MOS_ASSERT_TEXT(pMemPool->numBlocks != 0, "!mosMemPool_IsPermanentlyEmpty(pMemPool)");
    if (isGuarded(pMemPool)) {
        checkFiller(pMemPool, static_cast<const uint8_t *>(pBlock));
    }
    mosFastlockBase_Acquire(&pMemPool->lock);
    if (isStack(pMemPool)) {
        stackPush(pMemPool, pBlock);
    } else {
        listPushHead(pMemPool, static_cast<MosMemPool_Block *>(pBlock));
    }
    checkInPool(pMemPool, pBlock);
    mosFastlockBase_Release(&pMemPool->lock);
}

uint32_t mosMemPool_GetNumOfFreeEntries(const MosMemPool *pMemPool) {
    return isStack(pMemPool) ? pMemPool->numBlocks - pMemPool->freeStack.nextFreeobject
                             : pMemPool->freeList.counter;
}

uint32_t mosMemPool_IndexFromMem(const MosMemPool *pMemPool, const void *pMem) {
    const auto *p = static_cast<const uint8_t *>(pMem);
    MOS_ASSERT_TEXT(p >= pMemPool->pMemAlignedStart && p < pMemPool->pMemEnd,
                    "(pMem >= pPool->pMemAlignedStart) && (pMem < pPool->pMemEnd)");
    const auto objIndex = static_cast<uint32_t>(
        static_cast<uint64_t>(p - pMemPool->pMemAlignedStart) / pMemPool->allocPerBlock);
    MOS_ASSERT_TEXT(objIndex < pMemPool->numBlocks, "mosMemPool_IsValidObjIndex(objIndex, pPool)");
    return objIndex;
}

void *mosMemPool_MemByIndex(const MosMemPool *pMemPool, uint32_t index) {
    MOS_ASSERT_TEXT(index < pMemPool->numBlocks, "mosMemPool_IsValidObjIndex(objIndex, pPool)");
    return blockAt(pMemPool, index);
}

void mosMemPool_SdbgQuery(MosObjEntry *pEntry, const char * /*pName*/, void *pBuf) {
    const auto *p = reinterpret_cast<const MosMemPool *>(reinterpret_cast<const uint8_t *>(pEntry) -
                                                         offsetof(MosMemPool, objEntry));
    auto *q = static_cast<MosMemPool_Query *>(pBuf);
    memcpy(q->name, p->name, strnlen(p->name, sizeof q->name));
    q->objSize = p->blockSizeInBytes;
    q->objNum = p->numBlocks;
    q->objFree = mosMemPool_GetNumOfFreeEntries(p);
    q->objAcquired = p->numBlocks - q->objFree;
    q->waiters = p->waiters.counter;
    q->bGuardPage = isGuarded(p) ? 1 : 0;
    q->millisSinceLastExhausted =
        p->numTimesExhausted == 0 ? 0 : mosTicks_MillisSince(p->lastExhaustedMillis);
    q->numTimesExhausted = p->numTimesExhausted;
}

namespace {

// No object of types 16 and 17 exists in this runtime; their query
// functions are registered for the type table and leave the zero-filled
// buffer as it is.
void noObjectsQuery(MosObjEntry * /*pEntry*/, const char * /*pName*/, void * /*pBuf*/) {}

} // namespace

MOS_RC mosMemPoolLayer_Init(void * /*pUnused*/) {
    memPoolLayer_G.poolType = MosObjType{};
    mosObjType_RegObjType(&memPoolLayer_G.poolType, mosMemPool_SdbgQuery, nullptr,
                          MOS_OBJ_TYPE_MEMPOOL, sizeof(MosMemPool_Query));
    return MOS_RC__SUCCESS;
}

void mosMemPoolLayer_Destroy() {
    mosObjType_UnregObjType(&memPoolLayer_G.poolType);
}

MOS_RC mosDynamicMemPoolLayer_Init(void * /*pUnused*/) {
    memPoolLayer_G.dynamicPoolType = MosObjType{};
    mosObjType_RegObjType(&memPoolLayer_G.dynamicPoolType, noObjectsQuery, nullptr,
                          MOS_OBJ_TYPE_DYNAMIC_MEMPOOL, sizeof(MosDynamicMemPool_Query));
    return MOS_RC__SUCCESS;
}

void mosDynamicMemPoolLayer_Destroy() {
    mosObjType_UnregObjType(&memPoolLayer_G.dynamicPoolType);
}

MOS_RC mosDynamicArrayLayer_Init(void * /*pUnused*/) {
    memPoolLayer_G.dynamicArrayType = MosObjType{};
    mosObjType_RegObjType(&memPoolLayer_G.dynamicArrayType, noObjectsQuery, nullptr,
                          MOS_OBJ_TYPE_DYNAMIC_ARRAY, sizeof(MosDynamic_Array__Query));
    return MOS_RC__SUCCESS;
}

void mosDynamicArrayLayer_Destroy() {
    mosObjType_UnregObjType(&memPoolLayer_G.dynamicArrayType);
}

namespace {

struct SmallIovLayer {
    uint32_t bEnabled;
    uint32_t bCreated;
    MosMemPool pool;
};
SmallIovLayer smallIovLayer_G;

} // namespace

MOS_RC mosSmallIovPoolLayer_Init(void *pParams) {
    const auto *p = static_cast<const MosSmallIovParams *>(pParams);
    smallIovLayer_G.bEnabled = p == nullptr ? 1 : p->netsmalliov_use_mem_pool;
    smallIovLayer_G.bCreated = 0;
    if (!smallIovLayer_G.bEnabled) {
        return MOS_RC__SUCCESS;
    }
    const uint32_t numBlocks = p == nullptr ? 1000 : p->netsmalliov_mem_pool_size;
    const MOS_RC rc = mosMemPool_CreateEx(
        &smallIovLayer_G.pool, "SmallIOVPool", MOS_SMALL_IOV_BLOCK_SIZE, numBlocks, 0,
        MOS_MEMPOOL_FLAG__FREE_LIST, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    smallIovLayer_G.bCreated = rc == MOS_RC__SUCCESS || rc == MOS_RC__PENDING;
    return MOS_RC__SUCCESS;
}

void mosSmallIovPoolLayer_Destroy() {
    if (smallIovLayer_G.bCreated) {
        mosMemPool_Destroy(&smallIovLayer_G.pool);
        smallIovLayer_G.bCreated = 0;
    }
}

MosMemPool *mosSmallIovPool_Get() {
    return smallIovLayer_G.bCreated ? &smallIovLayer_G.pool : nullptr;
}
