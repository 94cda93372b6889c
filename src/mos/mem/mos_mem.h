// Memory allocation of the runtime library and the utilities layer.
//
// Normal mode: thin wrappers over the process heap and the page allocator,
// with a caller's size limit, a tag naming the caller and a may-fail flag;
// each allocation and free is counted for the calling thread.
//
// Caged mode (utilities setting caged_malloc): every allocation gets its
// own pages between two read-only guard pages, a 39-byte header with a
// magic number, and random filler bytes in the slack, so that a write into
// a guard page faults at once and a write before or past the block is
// caught at free. Freed caged blocks can be kept inaccessible for a while
// (deferred free) so that a use after free faults. The mode is decided at
// layer start; a block is always freed by the mode that allocated it.
#pragma once

#include "mos_cyclic_buffer.h"
#include "mos_fastlock.h"
#include "mos_rc.h"

#include <atomic>
#include <cstddef>
#include <cstdint>

// The size limit callers pass, and the one that means none.
inline constexpr uint64_t MOS_MEM_MAX_SIZE = 0x5000000;
inline constexpr uint64_t MOS_MEM_NO_LIMIT = ~uint64_t{0};

// Heap block of size bytes. Normal mode: a size above maxSize prints
// "!!!!!!!!!!!!!! Malloc: <tag> size <size>!!!!!!!!! SIZE TOO LARGE !!!!!!!!!!"
// and stops the process through the assertion handler; a failure returns
// null when bCanFail, else stops the process. Caged mode ignores maxSize.
void *mos_MemMallocBare(uint64_t size, uint64_t maxSize, const char *pTag, bool bCanFail);

// As mos_MemMallocBare, zero-filled ("Calloc" in the message).
void *mos_MemCallocBare(uint64_t size, uint64_t maxSize, const char *pTag, bool bCanFail);

// Frees a block of either call above; null does nothing.
void mos_MemFreeBare(void *pMem);

// Whole-page memory (caged mode: a guarded, page-aligned block); it cannot
// fail: a failure stops the process.
void *mos_MemAllocPages(uint64_t size);
void mos_MemFreePages(void *pMem);

// A caged block: guard page, data pages, guard page. Page-aligned
// placement (size a multiple of the page, or bPageAligned) puts the block
// at the first data page and the header at the end of the front guard
// page; otherwise the filler comes first and the block ends exactly where
// the back guard page begins.
void *mos_MemMallocGuarded(uint64_t size, bool bCanFail, bool bPageAligned);

// Frees a caged block (null does nothing): checks the magic and the
// filler, then releases it at once or queues it for deferred free.
void mos_MemFreeGuarded(void *pMem);

// Every byte of [pMem, pMem + length) must equal fillerByte, else the
// process stops.
void mos_MemValidateFiller(const uint8_t *pMem, uint64_t length, uint8_t fillerByte);

#pragma pack(push, 1)
struct MosMemCagedHeader {
    uint16_t magic;     // MOS_MEM_CAGED_MAGIC
    void *pBase;        // the whole page region
    uint64_t size;      // the size requested
    uint64_t totalSize; // the region's bytes, guard pages included
    uint8_t *pFiller;
    uint32_t fillerLen;
    uint8_t fillerByte;
};
#pragma pack(pop)
static_assert(sizeof(MosMemCagedHeader) == 39);
static_assert(offsetof(MosMemCagedHeader, totalSize) == 18);
static_assert(offsetof(MosMemCagedHeader, fillerByte) == 38);

inline constexpr uint16_t MOS_MEM_CAGED_MAGIC = 0x4242;

// Utilities settings: a slice of the initialisation-parameter block. A
// non-zero flag turns it on; zero leaves it as it was (off at start).
struct MosUtilsParams {
    uint32_t intr_violation_crash;
    uint64_t max_callback_time_usec;
    uint32_t poll_loop_time_factor;
    uint32_t poll_loop_max_overshoot_factor;
    uint32_t caged_malloc;
    uint64_t max_caged_deferred_free_bytes;
    uint32_t max_caged_deferred_free_items;
};

struct MosUtilsLayer {
    uint32_t pageSize;
    MosFastlock utilsLock;
    MosFastlock deferredFreeLock;
    uint32_t bDeferredFree;              // under deferredFreeLock
    MosCyclicBuffer deferredFreeQueue;   // block pointers, oldest first
    uint32_t deferredFreeItems;          // under deferredFreeLock
    uint64_t deferredFreeBytes;          // sum of the queued totalSize
    std::atomic<uint64_t> numBareAllocs; // only counted
    std::atomic<uint64_t> numZeroAllocs;
    std::atomic<uint64_t> numPageAllocs;
    // settings
    uint32_t bIntrViolationCrash;
    uint32_t bCagedMalloc;
    uint64_t maxCagedDeferredFreeBytes;
    uint32_t maxCagedDeferredFreeItems;
    uint64_t maxCallbackTimeUsec;
    uint32_t pollLoopTimeFactor;
    uint32_t pollLoopMaxOvershootFactor;
};

extern MosUtilsLayer mosUtils_Layer_G;

// Layer start (pParams: a MosUtilsParams or null): applies the settings,
// builds the restricted-mode access list, records the page size, creates
// the locks and, in caged mode with both deferred-free limits non-zero,
// switches deferred free on.
[[nodiscard]] MOS_RC mosUtilsLayer_Init(void *pParams);

// Releases every queued deferred block, then the restricted-mode list.
void mosUtilsLayer_Destroy();

uint32_t mos_GetPageSize();
uint32_t mosUtils_GetIntrViolationCrash();
uint32_t mosUtils_GetPollLoopMaxOvershootFactor();

// Counts one page allocation of mos_VirtualAllocLarge.
void mosUtils_CountPageAllocation();
