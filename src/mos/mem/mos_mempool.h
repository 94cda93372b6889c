// Memory pools: fixed-size blocks handed out from one allocation made at
// creation. Free blocks sit in a list threaded through their first 8
// bytes or in an array used as a stack. Guard pools fence every block with
// filler bytes (0x42) and no-access pages, check the filler whenever a
// block comes back, and so catch a write past a block at its free (filler)
// or at once (guard page). Every pool is an object of type 11.
//
// Creation and destruction are single-threaded by contract; allocation and
// free may run on any thread.
#pragma once

#include "mos_fastlock.h"
#include "mos_list.h"
#include "mos_memory_pinning.h"
#include "mos_obj.h"
#include "mos_obj_entry.h"
#include "mos_rc.h"

#include <cstddef>
#include <cstdint>

enum : uint32_t {
    MOS_MEMPOOL_FLAG__GUARD_PAGE = 1 << 0,   // fillers and guard pages around every block
    MOS_MEMPOOL_FLAG__MAY_FAIL = 1 << 1,     // a failed creation returns instead of ending
    MOS_MEMPOOL_FLAG__FREE_LIST = 1 << 2,    // free blocks in a list (most recently freed first)
    MOS_MEMPOOL_FLAG__FREE_STACK = 1 << 3,   // free blocks in a stack; no block callbacks
    MOS_MEMPOOL_FLAG__NO_FREE_INFO = 1 << 5, // no free-block information: nothing to hand out
};

inline constexpr uint8_t MOS_MEMPOOL_FILLER = 0x42;
inline constexpr uint32_t MOS_OBJ_TYPE_MEMPOOL = 11;
inline constexpr uint32_t MOS_OBJ_TYPE_DYNAMIC_ARRAY = 16;
inline constexpr uint32_t MOS_OBJ_TYPE_DYNAMIC_MEMPOOL = 17;
inline constexpr uint32_t MOS_MEMPOOL_NAME_SIZE = 64;

// A free block's link (the first 8 bytes of every free list block).
struct MosMemPool_Block {
    MosMemPool_Block *pNext; // all ones at the end of the list
};

struct MosMemPool;
typedef void (*MosMemPoolInitBlockCK)(void *pUserData, void *pBlock, uint32_t blockSize);
typedef void (*MosMemPoolDestroyBlockCK)(void *pUserData, void *pBlock);
typedef void (*MosMemPoolBlockHook)(MosMemPool *pPool, uint32_t arg);

struct MosMemPoolFreeList {
    MosMemPool_Block *pFirst;
    MosMemPool_Block *pLast;
    uint32_t counter;
};

struct MosMemPoolFreeStack {
    void **pFreeStackArray;  // numBlocks slots; the free blocks from nextFreeobject on
    uint32_t nextFreeobject; // blocks handed out now
};

struct MosMemPool {
    union {
        MosMemPoolFreeList freeList;
        MosMemPoolFreeStack freeStack;
    };
    uint32_t flags;
    MosFastlock lock;
    MosListAnchor waiters; // callers waiting for a block: always empty here
    MosMemPoolInitBlockCK pInitBlockCK;
    MosMemPoolDestroyBlockCK pDestroyBlockCK;
    void *pUserData;
    MosMemPoolBlockHook pBlockHook;
    MosObjEntry objEntry;
    char name[MOS_MEMPOOL_NAME_SIZE];
    uint8_t *pMem;             // the one allocation
    uint8_t *pMemAlignedStart; // block 0
    uint8_t *pMemEnd;          // end of the block area
    uint32_t blockSizeInBytes;
    uint32_t allocPerBlock; // stride
    uint32_t nGuardPages;
    uint32_t tailFillerLen;
    uint32_t numBlocks;
    uint32_t alignment;
    uint32_t numTimesExhausted;
    uint64_t lastExhaustedMillis; // tick clock, milliseconds
    uint32_t bInit;
    uint64_t mallocSize;
};

#pragma pack(push, 1)
struct MosMemPool_Query {
    char name[32]; // not terminated when 32 long
    uint32_t objSize;
    uint32_t objNum;
    uint32_t objFree;
    uint32_t objAcquired;
    uint32_t waiters;
    uint32_t bGuardPage;
    uint64_t millisSinceLastExhausted; // 0 while never exhausted
    uint32_t numTimesExhausted;
    uint32_t reserved;
};
struct MosDynamic_Array__Query {
    char name[32];
    uint32_t arraySize;
    uint32_t reserved;
    uint32_t blockSizeInBytes;
    uint32_t allocationSize;
};
struct MosDynamicMemPool_Query {
    char name[32];
    uint32_t unitSize;
    uint32_t alignedUnitSize;
    uint32_t allocedNumBlocks;
    uint32_t allowedNumBlocks;
    uint32_t minNumBlocks;
    uint32_t numBlocks;
    uint32_t numUnitsInBlock;
    uint32_t waiters;
};
#pragma pack(pop)
static_assert(sizeof(MosMemPool_Query) == 72);
static_assert(offsetof(MosMemPool_Query, objFree) == 40);
static_assert(offsetof(MosMemPool_Query, millisSinceLastExhausted) == 56);
static_assert(offsetof(MosMemPool_Query, numTimesExhausted) == 64);
static_assert(sizeof(MosDynamic_Array__Query) == 48);
static_assert(offsetof(MosDynamic_Array__Query, blockSizeInBytes) == 40);
static_assert(sizeof(MosDynamicMemPool_Query) == 64);
static_assert(offsetof(MosDynamicMemPool_Query, waiters) == 60);

// Creates a pool of numBlocks blocks of blockSizeInBytes (at least 8)
// aligned to alignment (0 or a power of two; guard pools align to a page
// at least). Exactly one of FREE_LIST and FREE_STACK; flags below 64.
// Results: MOS_RC__SUCCESS; MOS_RC__PENDING when memory pinning will call
// pPinnedCK(pPinnedArg) later; MOS_RC__INVALID for 0 blocks (trace "Empty
// memory pool %p (%s)") or a block area beyond 4 GiB; MOS_RC__NO_RESOURCES
// when a MAY_FAIL pool's memory cannot be had (others end the process).
// A failed creation leaves nothing registered. pName is copied.
[[nodiscard]] MOS_RC mosMemPool_CreateEx(MosMemPool *pMemPool, const char *pName,
                                         uint32_t blockSizeInBytes, uint32_t numBlocks,
                                         uint32_t alignment, uint32_t flags,
                                         MosMemPoolInitBlockCK pInitBlockCK,
                                         MosMemPoolDestroyBlockCK pDestroyBlockCK, void *pUserData,
                                         MosMemPoolBlockHook pBlockHook,
                                         MosMemPinningDoneCK pPinnedCK, void *pPinnedArg);

// Every block must be back (else "Not all objects were freed" and the
// process ends). A pool of 0 blocks is left alone.
void mosMemPool_Destroy(MosMemPool *pMemPool);

// A free block (its first 8 bytes zeroed) or MOS_RC__NO_RESOURCES, counted
// as an exhaustion.
[[nodiscard]] MOS_RC mosMemPool_Alloc(MosMemPool *pMemPool, void **ppBlock);

// Returns a block; a guard pool checks the block's filler first.
void mosMemPool_Free(MosMemPool *pMemPool, void *pBlock);

// Free blocks now; the caller holds the pool's lock.
uint32_t mosMemPool_GetNumOfFreeEntries(const MosMemPool *pMemPool);

// Index of the block holding the address (any byte inside a block maps to
// it); an address outside the block area is a broken invariant.
uint32_t mosMemPool_IndexFromMem(const MosMemPool *pMemPool, const void *pMem);
// Address of block index (below numBlocks).
void *mosMemPool_MemByIndex(const MosMemPool *pMemPool, uint32_t index);

// Query function of type 11.
void mosMemPool_SdbgQuery(MosObjEntry *pEntry, const char *pName, void *pBuf);

// Layer entries: register / unregister the object types 11, 16 and 17.
[[nodiscard]] MOS_RC mosMemPoolLayer_Init(void *pUnused);
void mosMemPoolLayer_Destroy();
[[nodiscard]] MOS_RC mosDynamicMemPoolLayer_Init(void *pUnused);
void mosDynamicMemPoolLayer_Destroy();
[[nodiscard]] MOS_RC mosDynamicArrayLayer_Init(void *pUnused);
void mosDynamicArrayLayer_Destroy();

// The small-I/O-vector pool "SmallIOVPool" (664-byte blocks, flags 4).
// pParams: a MosSmallIovParams, or null for a pool of 1,000 blocks. With
// netsmalliov_use_mem_pool 0 no pool is made. Always MOS_RC__SUCCESS: a
// failed creation leaves the runtime without the pool.
inline constexpr uint32_t MOS_SMALL_IOV_BLOCK_SIZE = 664;
[[nodiscard]] MOS_RC mosSmallIovPoolLayer_Init(void *pParams);
void mosSmallIovPoolLayer_Destroy();
// The pool, or null when it is not there.
MosMemPool *mosSmallIovPool_Get();
