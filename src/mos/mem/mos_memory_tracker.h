// The memory tracker: a list of tracked allocations with their origin,
// queryable as the one object of type 147 and dumped to the trace by its
// command 1. Tracked blocks come from mosMemTracker_Alloc; a block still
// tracked when the layer ends is a leak and ends the process.
#pragma once

#include "mos_fastlock.h"
#include "mos_list.h"
#include "mos_obj.h"
#include "mos_rc.h"

#include <cstddef>
#include <cstdint>

inline constexpr uint32_t MOS_OBJ_TYPE_MEMORY_TRACKER = 147;
inline constexpr uint32_t MOS_MEM_TRACKER_CMD_DUMP = 1;

#pragma pack(push, 1)
struct _MosMemoryTracker_Query {
    uint64_t numAllocatedMemoryBlocks;
    uint64_t totalAllocatedMemorySizeMB;
    uint64_t totalShmAllocatedMemorySizeMB;
    uint64_t numAllocationsSucceeded;
    uint64_t numAllocationsFreed;
    uint64_t numAllocationsFailed;
};
#pragma pack(pop)
static_assert(sizeof(_MosMemoryTracker_Query) == 48);
static_assert(offsetof(_MosMemoryTracker_Query, numAllocationsSucceeded) == 24);

// Header ahead of every tracked block.
struct MosMemTrackedHdr {
    MosListNode node;
    uint64_t size;
    uint32_t line;
    uint64_t time; // tick of the allocation
    uint8_t bShm;
    char file[64]; // allocating source file, at most 63 characters
};

struct MosMemoryTrackerLayer {
    uint32_t bEnabled;
    MosListAnchor list;
    MosFastlock lock;
    uint64_t numAllocationsSucceeded;
    uint64_t numAllocationsFreed;
    uint64_t numAllocationsFailed;
    MosObjType type;
    MosObjEntry obj;
};

extern MosMemoryTrackerLayer memoryTrackerLayer_G;

// Layer: empty tracker, enabled.
[[nodiscard]] MOS_RC mosMemTrackerLayer_Init(void *pUnused);
// Traces "Memory %p leaked: ..." for every tracked block; any leak ends
// the process after 100 ms.
void mosMemTrackerLayer_Destroy();

// Layer entry: object type 147 (query size 48, command mos_TrackMemDump)
// and its one unnamed object.
[[nodiscard]] MOS_RC mosMemTrackerObjLayer_Init(void *pUnused);
void mosMemTrackerObjLayer_Destroy();

// A tracked heap block of size bytes, or null (counted as failed) when
// the heap refuses or the tracker is off. pFile and line name the caller.
void *mosMemTracker_Alloc(uint64_t size, bool bShm, const char *pFile, uint32_t line);
// Frees a block of mosMemTracker_Alloc; null does nothing.
void mosMemTracker_Free(void *pMem);

// The query, taken under the tracker's lock.
void mos_TrackMemQuery(_MosMemoryTracker_Query *pQuery);
void mos_TrackMemSdbgQuery(MosObjEntry *pEntry, const char *pName, void *pBuf);
// Command 1 dumps the tracker into the trace; other codes do nothing.
void mos_TrackMemDump(MosObjEntry *pEntry, uint32_t command, uint32_t argc,
                      const char (*pArgs)[MOS_OBJ_CMD_ARG_SIZE]);
