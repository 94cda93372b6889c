// The memory tracker.
#include "mos_memory_tracker.h"

#include "mos_assert_text.h"
#include "mos_debug.h"
#include "mos_mem.h"
#include "mos_trace.h"
#include "os_thread.h"
#include "os_time.h"

#include <cstring>

MosMemoryTrackerLayer memoryTrackerLayer_G;

namespace {

MosMemoryTrackerLayer &T = memoryTrackerLayer_G;

MosMemTrackedHdr *hdrOf(MosListNode *pNode) {
    return reinterpret_cast<MosMemTrackedHdr *>(pNode);
}

// The caller holds the tracker's lock.
void mos_TrackMemQueryIntern(_MosMemoryTracker_Query *pQuery) {
    *pQuery = _MosMemoryTracker_Query{};
    uint64_t totalBytes = 0;
    uint64_t shmBytes = 0;
    for (MosListNode *p = T.list.pFirst; p != nullptr; p = mosList_Next(p)) {
        pQuery->numAllocatedMemoryBlocks++;
        totalBytes += hdrOf(p)->size;
        shmBytes += hdrOf(p)->bShm ? hdrOf(p)->size : 0;
    }
    pQuery->totalAllocatedMemorySizeMB = totalBytes >> 20;
    pQuery->totalShmAllocatedMemorySizeMB = shmBytes >> 20;
    pQuery->numAllocationsSucceeded = T.numAllocationsSucceeded;
    pQuery->numAllocationsFreed = T.numAllocationsFreed;
    pQuery->numAllocationsFailed = T.numAllocationsFailed;
    MOS_ASSERT_TEXT(pQuery->numAllocatedMemoryBlocks ==
                        T.numAllocationsSucceeded - T.numAllocationsFreed,
                    "numAllocatedMemoryBlocks == memoryTrackerLayer_G.numAllocationsSucceeded - "
                    "memoryTrackerLayer_G.numAllocationsFreed");
}

} // namespace

MOS_RC mosMemTrackerLayer_Init(void * /*pUnused*/) {
    T.bEnabled = 0;
    T.list = MosListAnchor{};
    T.numAllocationsSucceeded = 0;
    T.numAllocationsFreed = 0;
    T.numAllocationsFailed = 0;
    mosFastlock_Create(&T.lock);
    T.bEnabled = 1;
    return MOS_RC__SUCCESS;
}

void mosMemTrackerLayer_Destroy() {
    for (MosListNode *p = T.list.pFirst; p != nullptr; p = mosList_Next(p)) {
        const MosMemTrackedHdr *h = hdrOf(p);
        MOS_TRACE(MOS_COMP_MOS, 1, "Memory %p leaked: allocated at %s:%u time %lu size %llu\n",
                  static_cast<const void *>(h + 1), h->file, h->line,
                  static_cast<unsigned long>(h->time), static_cast<unsigned long long>(h->size));
    }
    if (T.list.pFirst != nullptr) {
        osThread_SleepMs(100);
        ALWAYS_ASSERT();
    }
    mosFastlockBase_Destroy(&T.lock);
    T.list = MosListAnchor{};
    T.bEnabled = 0;
}

void *mosMemTracker_Alloc(uint64_t size, bool bShm, const char *pFile, uint32_t line) {
    auto *h = T.bEnabled ? static_cast<MosMemTrackedHdr *>(
                               mos_MemMallocBare(sizeof(MosMemTrackedHdr) + size, MOS_MEM_NO_LIMIT,
                                                 "mosMemTracker_Alloc", true))
                         : nullptr;
    mosFastlockBase_Acquire(&T.lock);
    if (h == nullptr) {
        T.numAllocationsFailed++;
        mosFastlockBase_Release(&T.lock);
        return nullptr;
    }
    *h = MosMemTrackedHdr{};
    h->size = size;
    h->line = line;
    h->time = osTime_GetTickCount64();
    h->bShm = bShm ? 1 : 0;
    strncpy(h->file, pFile, sizeof h->file - 1);
    mosList_Append(&T.list, &h->node);
    T.list.counter++;
    T.numAllocationsSucceeded++;
    mosFastlockBase_Release(&T.lock);
    return h + 1;
}

void mosMemTracker_Free(void *pMem) {
    if (pMem == nullptr) {
        return;
    }
    MosMemTrackedHdr *h = static_cast<MosMemTrackedHdr *>(pMem) - 1;
    mosFastlockBase_Acquire(&T.lock);
    MOS_ASSERT(mosList_IsLinked(&h->node));
    mosList_Unlink(&T.list, &h->node);
    T.list.counter--;
    T.numAllocationsFreed++;
    mosFastlockBase_Release(&T.lock);
    mos_MemFreeBare(h);
}

void mos_TrackMemQuery(_MosMemoryTracker_Query *pQuery) {
    mosFastlockBase_Acquire(&T.lock);
    mos_TrackMemQueryIntern(pQuery);
    mosFastlockBase_Release(&T.lock);
}

void mos_TrackMemSdbgQuery(MosObjEntry * /*pEntry*/, const char * /*pName*/, void *pBuf) {
    mos_TrackMemQuery(static_cast<_MosMemoryTracker_Query *>(pBuf));
}

void mos_TrackMemDump(MosObjEntry * /*pEntry*/, uint32_t command, uint32_t /*argc*/,
                      const char (* /*pArgs*/)[MOS_OBJ_CMD_ARG_SIZE]) {
    if (command != MOS_MEM_TRACKER_CMD_DUMP) {
        return;
    }
    mosFastlockBase_Acquire(&T.lock);
    _MosMemoryTracker_Query q;
    mos_TrackMemQueryIntern(&q);
    MOS_TRACE(MOS_COMP_MOS, 1,
              "Dumping memory tracker contents - allocated blocks %llu, allocated memory %lluMB, "
              "allocated shm memory %lluMB\n total num success allocations %llu, total num freed "
              "allocations %llu, total num failed allocations %llu\n",
              static_cast<unsigned long long>(q.numAllocatedMemoryBlocks),
              static_cast<unsigned long long>(q.totalAllocatedMemorySizeMB),
              static_cast<unsigned long long>(q.totalShmAllocatedMemorySizeMB),
              static_cast<unsigned long long>(q.numAllocationsSucceeded),
              static_cast<unsigned long long>(q.numAllocationsFreed),
              static_cast<unsigned long long>(q.numAllocationsFailed));
    for (MosListNode *p = T.list.pFirst; p != nullptr; p = mosList_Next(p)) {
        const MosMemTrackedHdr *h = hdrOf(p);
        MOS_TRACE(MOS_COMP_MOS, 1, "Memory %p: allocated at %s:%u time %lu size %llu bytes\n",
                  static_cast<const void *>(h + 1), h->file, h->line,
                  static_cast<unsigned long>(h->time), static_cast<unsigned long long>(h->size));
    }
    mosFastlockBase_Release(&T.lock);
    MOS_TRACE(MOS_COMP_MOS, 1, "Finished dumping memory tracker contents\n");
}

MOS_RC mosMemTrackerObjLayer_Init(void * /*pUnused*/) {
    T.type = MosObjType{};
    T.obj = MosObjEntry{};
    mosObjType_RegObjType(&T.type, mos_TrackMemSdbgQuery, mos_TrackMemDump,
                          MOS_OBJ_TYPE_MEMORY_TRACKER, sizeof(_MosMemoryTracker_Query));
    mosObjType_RegObj(&T.type, &T.obj, nullptr);
    return MOS_RC__SUCCESS;
}

void mosMemTrackerObjLayer_Destroy() {
    mosObjType_UnregObj(&T.type, &T.obj);
    mosObjType_UnregObjType(&T.type);
}
